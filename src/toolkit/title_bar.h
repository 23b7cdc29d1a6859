// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QFont;
class QString;

namespace vantrel {

// The narrowest window whose title bar shows the whole caption under a usual window manager: the caption
// in a bold face of the window's font, centred between the window icon on the left and the minimise,
// maximise and close buttons on the right.
int titleBarWidth(const QString &caption, const QFont &windowFont);

} // namespace vantrel
