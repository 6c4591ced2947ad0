#include <gtest/gtest.h>

#include "app/ConnectionState.h"
#include "common/ArchiveReading.h"

using namespace zmk;

TEST(ConnectionState, StartsClearedAndIsShared) {
    const ConnectionState fresh;
    EXPECT_FALSE(fresh.Connected || fresh.DisconnectAfterWrite || fresh.MoistureMeterPresent ||
                 fresh.HexaneInList);
    const ArchiveReadingState reading;
    EXPECT_FALSE(reading.InProgress || reading.AbortRequested);
    EXPECT_EQ(fresh.Link, nullptr);
    EXPECT_EQ(fresh.LinkInfoBar, nullptr);
    EXPECT_EQ(fresh.ModemBar, nullptr);
    EXPECT_EQ(&Shared(), &Shared());
}
