#include <gtest/gtest.h>

#include <memory>

#include "QtPrinters.h"
#include "link/ControllerLink.h"
#include "link/SubscriberList.h"
#include "settings/MainSettings.h"
#include "tables/FlowComputers.h"
#include "tables/LinkParams.h"
#include "tables/UpperLevelAdoption.h"

using namespace zmk;

namespace {

TEST(RateCodes, CodesArePositionsInTheRateList) {
    EXPECT_EQ(RateOfCode(0), 300);
    EXPECT_EQ(RateOfCode(11), 9600);
    EXPECT_EQ(RateOfCode(19), 57600);
    EXPECT_EQ(RateOfCode(21), 230400);
    for (int code : {22, 40, 254, 255, -1}) EXPECT_EQ(RateOfCode(code), 0) << code;
    EXPECT_EQ(CodeOfRate(57600), 19);
    EXPECT_EQ(CodeOfRate(300), 0);
    EXPECT_EQ(CodeOfRate(56000), NoRateCode);
    EXPECT_EQ(CodeOfRate(0), NoRateCode);
}

TEST(TypedNumbers, OnlyDecimalDigitsAreANumber) {
    EXPECT_EQ(TypedNumber(QStringLiteral("12")), 12);
    EXPECT_EQ(TypedNumber(QStringLiteral(" 7 ")), 7);
    EXPECT_EQ(TypedNumber(QStringLiteral("000255")), 255);
    // The key filter lets "%" and "'" through; pasted text is not filtered.
    for (const char* bad : {"", "  ", "1%", "12'", "-1", "1.5", "abc", "1 2", "1234567890"})
        EXPECT_FALSE(TypedNumber(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(EthernetFields, DottedAddressIsStoredLastNumberFirst) {
    uint8_t field[4] = {};
    PutDottedAddress(field, {10, 1, 2, 3});
    EXPECT_EQ(field[0], 3);
    EXPECT_EQ(field[1], 2);
    EXPECT_EQ(field[2], 1);
    EXPECT_EQ(field[3], 10);
    EXPECT_EQ(DottedAddress(field), (std::array<uint8_t, 4>{10, 1, 2, 3}));
    PutU32(field, 0x01020304);
    EXPECT_EQ(field[0], 4);
    EXPECT_EQ(GetU32(field), 0x01020304u);
}

// --- the link following a write of table 3 --------------------------------

struct AdoptionCase {
    const char* name;
    uint8_t channel;
    bool subscriber;  // the channel's list has a current entry
    uint8_t address;
    uint8_t rateCode;
    int32_t linkRate;  // the link's rate afterwards (it starts at 38400)
    AdoptedInto into;
};

class UpperLevelAdoption : public ::testing::TestWithParam<AdoptionCase> {};

TEST_P(UpperLevelAdoption, LinkTakesAddressAndOnlyTheDirectLineTakesTheRate) {
    const AdoptionCase& c = GetParam();
    ControllerLink link(1);
    link.ChannelKind = c.channel;
    link.Address = 1;
    link.BaudRate = 38400;
    MainSettings settings;
    settings.ChannelKind = c.channel;
    settings.Direct.Address = 1;
    settings.Direct.Rate = 38400;
    auto lists = std::make_unique<SubscriberLists>();
    ClearList(lists->phone);
    ClearList(lists->ethernet);
    for (int i = 0; i < 2; ++i) {
        lists->phone.Entries[i] = EmptyPhoneAbonent();
        lists->ethernet.Entries[i] = EmptyEthernetAbonent();
    }
    if (c.subscriber) {
        lists->phone.Count = lists->ethernet.Count = 2;
        lists->phone.Current = lists->ethernet.Current = 1;
    }
    const uint8_t table3[4] = {c.address, c.rateCode, 0, 0};

    EXPECT_EQ(AdoptUpperLevelLink(link, settings, *lists, table3), c.into);
    EXPECT_EQ(link.Address, c.address);
    EXPECT_EQ(link.BaudRate, c.linkRate);
    const bool direct = c.channel == ChannelDirect;
    EXPECT_EQ(settings.Direct.Address, direct ? c.address : 1);
    EXPECT_EQ(settings.Direct.Rate, c.linkRate == 38400 || !direct ? 38400 : c.linkRate);
    // Only the current entry of the channel's own list changes.
    EXPECT_EQ(lists->phone.Entries[1].Address, c.into == AdoptedInto::PhoneList ? c.address : 1);
    EXPECT_EQ(lists->ethernet.Entries[1].Address, c.into == AdoptedInto::EthernetList ? c.address : 1);
    EXPECT_EQ(lists->phone.Entries[0].Address, 1);
    EXPECT_EQ(lists->ethernet.Entries[0].Address, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Channels, UpperLevelAdoption,
    ::testing::Values(AdoptionCase{"direct", ChannelDirect, false, 12, 19, 57600, AdoptedInto::MainSettings},
                      AdoptionCase{"directUnknownRate", ChannelDirect, false, 12, 40, 38400, AdoptedInto::MainSettings},
                      AdoptionCase{"phone", ChannelPhone, true, 12, 19, 38400, AdoptedInto::PhoneList},
                      AdoptionCase{"phoneNoList", ChannelPhone, false, 12, 19, 38400, AdoptedInto::Nothing},
                      AdoptionCase{"ethernet", ChannelEthernet, true, 200, 5, 38400, AdoptedInto::EthernetList}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the flow-computer list -------------------------------------------------

FlowComputerList ListOf(std::initializer_list<uint8_t> addresses) {
    FlowComputerList list;
    for (uint8_t a : addresses) {
        FlowComputerEntry e = BlankFlowComputer();
        e.Address = a;
        e.Password[0] = uint8_t('A' + list.Count);
        list.SplitPassword[list.Count] = list.Count == 2;
        list.Entries[list.Count++] = e;
    }
    return list;
}

TEST(FlowComputerList, RemovingMovesTheFollowingEntriesUpAndRewritesTheirPasswords) {
    FlowComputerList list = ListOf({10, 20, 30, 40});
    RemoveFlowComputer(list, 1);
    ASSERT_EQ(list.Count, 3);
    EXPECT_EQ(list.Entries[0].Address, 10);
    EXPECT_EQ(list.Entries[1].Address, 30);
    EXPECT_EQ(list.Entries[2].Address, 40);
    EXPECT_EQ(list.Entries[1].Password[0], 'C');
    EXPECT_FALSE(list.PasswordEntered[0]);
    EXPECT_TRUE(list.PasswordEntered[1]);
    EXPECT_TRUE(list.PasswordEntered[2]);
    EXPECT_TRUE(list.SplitPassword[1]);  // the layout moved with its entry
    EXPECT_FALSE(list.SplitPassword[2]);
    EXPECT_EQ(list.Entries[3], BlankFlowComputer());
    EXPECT_FALSE(list.PasswordEntered[3]);
}

TEST(FlowComputerList, ChecksEveryEntryInOrder) {
    struct Case {
        FlowComputerList list;
        InputCheck expected;
    };
    FlowComputerList badType = ListOf({1, 2});
    badType.Entries[1].Type = 9;
    FlowComputerList badOrder = ListOf({1, 2, 3});
    badOrder.Entries[2].ByteOrder = 2;
    const Case cases[] = {
        {ListOf({1, 2, 3}), std::nullopt},
        {ListOf({1, 0}), InputProblem{"Вычислитель № 2", "Неверно заданы параметры"}},
        {ListOf({255}), InputProblem{"Вычислитель № 1", "Неверно заданы параметры"}},
        {badType, InputProblem{"Вычислитель № 2", "Неверно заданы параметры"}},
        {badOrder, InputProblem{"Вычислитель № 3", "Неверно заданы параметры"}},
        {ListOf({7, 5, 9, 5}), InputProblem{"Повтор адреса 5", ""}},
        // An impossible entry before a repeated address is named first.
        {ListOf({5, 5, 0}), InputProblem{"Повтор адреса 5", ""}},
        {ListOf({5, 0, 5}), InputProblem{"Повтор адреса 5", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckFlowComputers(c.list), c.expected);
}

TEST(FlowComputerList, ImageRoundTripAndOutOfRangeCounts) {
    ConfigImage image;
    for (int i = 0; i < 16; ++i) {
        image.Table(FlowTypeTable)[i] = uint8_t(i % 5);  // 4 is no type
        image.Table(FlowAddressTable)[i] = uint8_t(100 + i);
        image.Table(FlowPipelineTable)[i] = 5;
        image.Table(FlowByteOrderTable)[i] = 1;
    }
    FlowComputerList list = FlowComputersFromImage(image, 40);  // a count no controller should hold
    EXPECT_EQ(list.Count, 16);
    EXPECT_EQ(list.Entries[4].Type, 4);
    EXPECT_EQ(FlowTypeText(list.Entries[4].Type), QStringLiteral(" ? (4)"));
    EXPECT_EQ(FlowTypeText(1), QStringLiteral(" ФЛОУКОР, ПМ-3В"));
    EXPECT_EQ(FlowByteOrderText(1), QStringLiteral(" Мл. адрес -- мл. байт"));
    EXPECT_EQ(FlowByteOrderText(7), QStringLiteral(" ? (7)"));
    EXPECT_EQ(list.Entries[3].Password, BlankFlowComputer().Password);
    EXPECT_EQ(FlowComputersFromImage(image, 0).Count, 0);

    list = FlowComputersFromImage(image, 3);
    list.Entries[2].Address = 77;
    list.Entries[2].Password.fill('x');
    StoreFlowComputers(image, list);
    EXPECT_EQ(image.Table(9)[0], 3);
    EXPECT_EQ(image.Table(FlowAddressTable)[2], 77);
    EXPECT_EQ(image.Table(FlowAddressTable)[3], 103);  // beyond the count: untouched
    EXPECT_EQ(image.Field(FlowPasswordTable, 2)[15], 'x');
    EXPECT_EQ(image.Field(FlowPasswordTable, 1)[0], ' ');
}

}  // namespace
