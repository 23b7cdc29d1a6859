// SPDX-License-Identifier: GPL-3.0-or-later
#include "twips.h"

#include <QWidget>

namespace vantrel {

int twipsToPixels(const QWidget &onScreenOf, int twips)
{
    return twipsToPixels(twips, onScreenOf.logicalDpiX());
}

QRect twipsRect(const QWidget &onScreenOf, int left, int top, int width, int height)
{
    const int dpi = onScreenOf.logicalDpiX();
    return {twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi),
            twipsToPixels(height, dpi)};
}

} // namespace vantrel
