#include "app/WindowPlacement.h"

#include <algorithm>

namespace zmk {

QRect PlaceInside(const QRect& saved, const QRect& available, const QMargins& frame) {
    if (available.isEmpty()) return saved;
    const QRect framed = saved.marginsAdded(frame);
    if (available.contains(framed)) return saved;

    // The frame no larger than the area, then moved in along each axis.
    QRect placed(framed.topLeft(), framed.size().boundedTo(available.size()));
    placed.moveLeft(std::clamp(placed.left(), available.left(), available.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), available.top(), available.bottom() + 1 - placed.height()));
    return placed.marginsRemoved(frame);
}

}  // namespace zmk
