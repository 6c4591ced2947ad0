#include <gtest/gtest.h>

#include "app/WindowPlacement.h"

using namespace zmk;

namespace {

struct PlacementCase {
    const char* what;
    QRect saved;
    QRect available;
    QRect placed;
};

// A 1280x1024 screen with a 40-pixel task bar at the bottom; frames of 8
// pixels at the sides and the bottom and 32 at the top.
const QRect Small(0, 0, 1280, 984);
const QMargins Frame(8, 32, 8, 8);

}  // namespace

TEST(WindowPlacement, TheFrameEndsInsideTheAvailableArea) {
    const PlacementCase cases[] = {
        {"fits: kept", QRect(100, 80, 1000, 680), Small, QRect(100, 80, 1000, 680)},
        {"fits exactly: kept", QRect(8, 32, 1264, 944), Small, QRect(8, 32, 1264, 944)},
        // Saved on a 1920x1080 screen at its right and bottom edge.
        {"past the right and bottom: moved in", QRect(900, 380, 1000, 680), Small, QRect(272, 296, 1000, 680)},
        {"left of and above the area: moved in", QRect(-300, -50, 1000, 680), Small, QRect(8, 32, 1000, 680)},
        {"larger than the area: cut to it", QRect(0, 0, 1900, 1060), Small, QRect(8, 32, 1264, 944)},
        {"caption under the top edge only", QRect(100, 10, 1000, 680), Small, QRect(100, 32, 1000, 680)},
        // A second screen to the right of the first one.
        {"on a screen further right", QRect(100, 100, 800, 600), QRect(1920, 0, 1280, 1024),
         QRect(1928, 100, 800, 600)},
    };
    for (const PlacementCase& c : cases) {
        const QRect placed = PlaceInside(c.saved, c.available, Frame);
        EXPECT_EQ(placed, c.placed) << c.what;
        EXPECT_TRUE(c.available.contains(placed.marginsAdded(Frame))) << c.what;
    }
}

TEST(WindowPlacement, NoScreenAreaKeepsTheSavedRectangle) {
    EXPECT_EQ(PlaceInside(QRect(5000, 5000, 900, 600), QRect()), QRect(5000, 5000, 900, 600));
}
