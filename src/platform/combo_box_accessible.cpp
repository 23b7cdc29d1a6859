// SPDX-License-Identifier: GPL-3.0-or-later
#include "combo_box_accessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>

#include <algorithm>

namespace vantrel {

ComboBoxAccessible::ComboBoxAccessible(QComboBox *combo)
    : QAccessibleWidget(combo, QAccessible::ComboBox)
{
}

QComboBox *ComboBoxAccessible::comboBox() const
{
    return static_cast<QComboBox *>(widget());
}

QString ComboBoxAccessible::currentText() const
{
    const QComboBox *combo = comboBox();
    return combo->isEditable() ? combo->lineEdit()->text() : combo->currentText();
}

void *ComboBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ComboBoxAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = comboBox()->isVisible() && comboBox()->view()->isVisible();
    state.editable = comboBox()->isEditable();
    state.readOnly = !comboBox()->isEditable();
    return state;
}

QString ComboBoxAccessible::text(QAccessible::Text type) const
{
    switch (type) {
    case QAccessible::Value:
        return currentText();
    case QAccessible::Accelerator:
        // The list opens with the down arrow.
        return QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText);
    default:
        // The name: the accessible name set on the combo, else its label's text.
        return QAccessibleWidget::text(type);
    }
}

int ComboBoxAccessible::childCount() const
{
    return comboBox()->isEditable() ? 2 : 1;
}

QAccessibleInterface *ComboBoxAccessible::child(int index) const
{
    if (index == 0)
        return QAccessible::queryAccessibleInterface(comboBox()->view());
    if (index == 1 && comboBox()->isEditable())
        return QAccessible::queryAccessibleInterface(comboBox()->lineEdit());
    return nullptr;
}

int ComboBoxAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child)
        return -1;
    if (child->object() == comboBox()->view())
        return 0;
    if (comboBox()->isEditable() && child->object() == comboBox()->lineEdit())
        return 1;
    return -1;
}

QAccessibleInterface *ComboBoxAccessible::childAt(int x, int y) const
{
    if (!comboBox()->isEditable())
        return nullptr;
    const QLineEdit *edit = comboBox()->lineEdit();
    if (QRect(edit->mapToGlobal(QPoint(0, 0)), edit->size()).contains(x, y))
        return child(1);
    return nullptr;
}

QStringList ComboBoxAccessible::actionNames() const
{
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
}

QString ComboBoxAccessible::localizedActionDescription(const QString &actionName) const
{
    if (actionName == showMenuAction() || actionName == pressAction())
        return QComboBox::tr("Open the combo box selection popup");
    return QAccessibleWidget::localizedActionDescription(actionName);
}

void ComboBoxAccessible::doAction(const QString &actionName)
{
    if (actionName == showMenuAction() || actionName == pressAction()) {
        if (comboBox()->view()->isVisible())
            comboBox()->hidePopup();
        else
            comboBox()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

QStringList ComboBoxAccessible::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == showMenuAction() || actionName == pressAction())
        return {};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}

QString ComboBoxAccessible::text(int startOffset, int endOffset) const
{
    const QString current = currentText();
    if (endOffset < 0 || endOffset > current.size())
        endOffset = int(current.size());
    startOffset = std::clamp(startOffset, 0, endOffset);
    return current.mid(startOffset, endOffset - startOffset);
}

int ComboBoxAccessible::characterCount() const
{
    return int(currentText().size());
}

int ComboBoxAccessible::cursorPosition() const
{
    return comboBox()->isEditable() ? comboBox()->lineEdit()->cursorPosition() : 0;
}

// The text is the combo's value: editing and selecting it happen in the text field, which is a child.
void ComboBoxAccessible::setCursorPosition(int) {}

void ComboBoxAccessible::selection(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int ComboBoxAccessible::selectionCount() const
{
    return 0;
}

void ComboBoxAccessible::addSelection(int, int) {}
void ComboBoxAccessible::removeSelection(int) {}
void ComboBoxAccessible::setSelection(int, int, int) {}

QRect ComboBoxAccessible::characterRect(int) const
{
    return {};
}

int ComboBoxAccessible::offsetAtPoint(const QPoint &) const
{
    return -1;
}

void ComboBoxAccessible::scrollToSubstring(int, int) {}

QString ComboBoxAccessible::attributes(int, int *startOffset, int *endOffset) const
{
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

namespace {

QAccessibleInterface *comboBoxFactory(const QString &className, QObject *object)
{
    // Asked once per class of the object's ancestry, most derived first: a class of our own derived from
    // QComboBox gets the interface too.
    if (className == QLatin1String("QComboBox"))
        return new ComboBoxAccessible(static_cast<QComboBox *>(object));
    return nullptr;
}

} // namespace

void installComboBoxAccessibility()
{
    QAccessible::installFactory(comboBoxFactory);
}

} // namespace vantrel
