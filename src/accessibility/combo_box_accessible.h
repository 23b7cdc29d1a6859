// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace vantrel {

// How a combo box shows itself to a screen reader: named after its label (its accessible name, else the
// label whose buddy it is), its current text as its value and as its text, the drop-down list and (when it
// takes typing) its text field as children. Qt's own combo interface names a combo after its current text
// on Linux, so a screen reader could not tell one selector from another.
class ComboBoxAccessible final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit ComboBoxAccessible(QComboBox *combo);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    QStringList actionNames() const override;
    QString localizedActionDescription(const QString &actionName) const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

    // The current text, read only: AT-SPI carries no text value of a control other than through this.
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    QComboBox *comboBox() const;
    QString currentText() const;
};

// Makes a screen reader say each new value of a drop-down list as it changes while the list is closed (by
// the arrow keys, by typing), as it does for a list. Qt 6.4 reports the change to AT-SPI as a name change
// and a selection change, which Orca ignores for a combo box and cannot follow without a selection
// interface; it does follow the focus. So each choice of the combo box is an accessible list item of its
// own, and the one just chosen is reported as having the focus inside the combo box.
void makeChoicesHeard(QComboBox &combo);

// Keeps the text of a combo box that takes typing unselected when the keyboard brings the focus to it, so
// that a screen reader says its label and value rather than "selected" before and "unselected" after.
void keepTextUnselectedOnFocus(QComboBox &combo);

// Makes every combo box created from now on use ComboBoxAccessible. A combo's interface is made the first
// time anything asks for it, which its own construction already does, so call this before making combos.
// Calling it again is harmless.
void installComboBoxAccessibility();

} // namespace vantrel
