// The table state dialog's rules: when it appears, its buttons and boxes,
// and which tables its two write buttons mark.
#include <gtest/gtest.h>

#include "link/ControllerLink.h"
#include "tables/ConfigWrite.h"

using namespace zmk;

namespace {

TableSelection WithDestroyed(std::initializer_list<int> tables) {
    std::array<uint8_t, TableCount> states{};
    for (int t : tables) states[size_t(t)] = 3;
    return TableSelection::FromStates(states.data());
}

std::vector<int> Marked(const TableSelection& s) {
    std::vector<int> out;
    for (int t = 0; t < TableCount; ++t)
        if (s.write[size_t(t)]) out.push_back(t);
    return out;
}

const std::vector<int> ConfigTables = {2, 3, 4, 5, 6, 9, 13, 14, 15, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 28, 29};

}  // namespace

TEST(TableSelection, TheCheckRunsUnlessAVersion10ControllerNamesNoDestroyedTable) {
    const struct {
        uint8_t destroyed, version;
        bool check;
    } cases[] = {{0, 10, false}, {7, 10, true}, {0, 14, true}, {4, 14, true}, {0, 11, true}};
    for (const auto& c : cases) {
        uint8_t table0[18] = {};
        table0[0] = c.destroyed;
        table0[3] = c.version;
        EXPECT_EQ(NeedsTableStateCheck(table0), c.check) << int(c.destroyed) << " " << int(c.version);
    }
}

TEST(TableSelection, ButtonsFollowVersionAndChannel) {
    const struct {
        int version;
        uint8_t channel;
        TableStateControls expected;
    } cases[] = {
        {10, ChannelDirect, {false, false, true, true}},
        {10, ChannelPhone, {false, false, true, false}},
        {10, ChannelEthernet, {false, false, true, true}},
        {14, ChannelDirect, {true, true, true, true}},
        {14, ChannelPhone, {false, false, false, false}},
        {14, ChannelEthernet, {false, false, false, true}},
    };
    for (const auto& c : cases) {
        const TableStateControls got = TableStateControlsFor(c.version, c.channel);
        SCOPED_TRACE(c.version * 10 + c.channel);
        EXPECT_EQ(got.writeAll, c.expected.writeAll);
        EXPECT_EQ(got.writeSelected, c.expected.writeSelected);
        EXPECT_EQ(got.reset, c.expected.reset);
        EXPECT_EQ(got.boxesEnabled, c.expected.boxesEnabled);
    }
}

TEST(TableSelection, RowsAndTheirBoxes) {
    std::array<int, TableCount> tables;
    const int n = ConfigurationTables(tables);
    EXPECT_EQ(std::vector<int>(tables.begin(), tables.begin() + n), ConfigTables);

    const TableSelection s = WithDestroyed({4, 22});
    // Destroyed rows start checked; intact 2 and 4 cannot be checked.
    EXPECT_TRUE(RowStartsChecked(s, 22, ChannelDirect));
    EXPECT_TRUE(RowStartsChecked(s, 4, ChannelEthernet));
    EXPECT_FALSE(RowStartsChecked(s, 3, ChannelDirect));
    EXPECT_TRUE(RowBoxEnabled(s, 4, ChannelDirect));
    EXPECT_FALSE(RowBoxEnabled(s, 2, ChannelDirect));
    EXPECT_TRUE(RowBoxEnabled(s, 3, ChannelDirect));
    // Over a telephone line nothing is checked or enabled.
    for (int t : ConfigTables) {
        EXPECT_FALSE(RowStartsChecked(s, t, ChannelPhone)) << t;
        EXPECT_FALSE(RowBoxEnabled(s, t, ChannelPhone)) << t;
    }
}

TEST(TableSelection, WriteButtonsMarkWithTheClockAndUsersRule) {
    TableSelection all = TableSelection::AllDestroyed();
    MarkAllTables(all);
    EXPECT_EQ(Marked(all), ConfigTables);  // a version-14 controller: 2 and 4 destroyed too

    TableSelection intact = WithDestroyed({22});
    MarkAllTables(intact);
    std::vector<int> without24 = ConfigTables;
    std::erase(without24, 2);
    std::erase(without24, 4);
    EXPECT_EQ(Marked(intact), without24);

    // An intact clock is never written, a destroyed users table always.
    TableSelection chosen = WithDestroyed({4, 5});
    std::array<bool, TableCount> checked{};
    checked[2] = checked[3] = checked[7] = true;  // 7 is no configuration table
    ASSERT_TRUE(MarkCheckedTables(chosen, checked));
    EXPECT_EQ(Marked(chosen), (std::vector<int>{3, 4}));
    EXPECT_TRUE(chosen.AnyMarkedBesides({2, 4}));
    EXPECT_FALSE(chosen.AnyMarkedBesides({3, 4}));

    TableSelection none = WithDestroyed({4});
    EXPECT_FALSE(MarkCheckedTables(none, {}));
    EXPECT_TRUE(Marked(none).empty());
    EXPECT_EQ(NoTablesChosenText(), QStringLiteral("Не заданы таблицы для записи"));
}
