// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

class QWidget;

namespace vantrel {

// Window layouts are given in twips (1/1440 inch): 15 twips make one pixel at 96 dpi.
constexpr int twipsToPixels(int twips, int logicalDpi)
{
    return (twips * logicalDpi + 720) / 1440;
}

// A rectangle given in twips, in the pixels of the screen the widget is on.
QRect twipsRect(const QWidget &onScreenOf, int left, int top, int width, int height);
int twipsToPixels(const QWidget &onScreenOf, int twips);

} // namespace vantrel
