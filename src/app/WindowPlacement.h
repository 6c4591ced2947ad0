#pragma once

// Where the main window goes on the screen it opens on.

#include <QMargins>
#include <QRect>

namespace zmk {

// What the window system adds around the client rectangle (caption bar and
// borders) when it cannot be asked yet: the window is placed before it is
// shown.
inline constexpr QMargins DefaultFrameMargins{8, 32, 8, 8};

// The client rectangle of the main window from its saved one (the window
// settings) and the screen's available area (without task bars). A saved
// rectangle whose frame lies wholly inside the area is kept as it is; one
// that does not fit keeps its size as far as the area allows and is moved
// the least distance that brings its frame inside, so that the caption and
// the status bars can always be seen. The settings themselves stay as they are.
QRect PlaceInside(const QRect& saved, const QRect& available, const QMargins& frame = DefaultFrameMargins);

}  // namespace zmk
