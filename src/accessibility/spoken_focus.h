// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAbstractItemView;
class QString;
class QWidget;

namespace vantrel {

// Makes a screen reader say a focused control again, as it is now: after its caption changed (Start
// becoming Cancel). Qt 6.8 and later report the changed name with the name itself, which Orca says, so
// there is nothing to add. Qt 6.4 reports it without the name, which Orca cannot speak, and has no
// announcement to send; a control that gains the focus is always spoken. So there the control is shown
// to the screen reader as a new object with the focus. Does nothing when the control does not have the
// focus.
void sayFocusedControlAgain(QWidget &control);

// Makes a screen reader say a short text about what a focused control just did ("EUR/USD added"), where
// a sighted user sees the result elsewhere in the window. From Qt 6.8 on it is announced. Qt 6.4 has no
// announcement to send, so there the text is shown to the screen reader as a note inside the control that
// takes the focus for a moment; the keyboard focus stays on the control. Does nothing when the control
// does not have the focus.
void sayAboutFocusedControl(QWidget &control, const QString &text);

// Makes a list say its current entry when it gets the keyboard focus (after the list itself), and keeps
// that entry selected: the entry the user hears is the one Remove acts on. An empty list stays as it is.
void makeCurrentEntryHeard(QAbstractItemView &list);

} // namespace vantrel
