// SPDX-License-Identifier: GPL-3.0-or-later
#include "title_bar.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace vantrel {

int titleBarWidth(const QString &caption, const QFont &windowFont)
{
    // Window managers draw the caption bold at about the desktop's font size (openbox: sans 8 bold, the
    // size of our own window font), centred across the whole bar, so the three buttons' room is needed on
    // both sides of it. A button is a square half a line taller than the text; one more square leaves a
    // margin for a title font a little wider than ours.
    QFont titleFont = windowFont;
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const int square = metrics.height() * 3 / 2;
    constexpr int kButtons = 3;
    return metrics.horizontalAdvance(caption) + (2 * kButtons + 1) * square;
}

} // namespace vantrel
