// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// Makes Return and Enter press the push button that has the keyboard focus, as Space does, in every
// window of the program. Users coming from other desktops press Return on a button; Qt only lets the
// default button of a dialog take it. Calling it again is harmless.
void installReturnPressesFocusedButton();

} // namespace vantrel
