// SPDX-License-Identifier: GPL-3.0-or-later
#include "combo_box_accessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QHash>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>

#include <algorithm>

namespace vantrel {
namespace {

// One choice of a drop-down list, as a screen reader sees it: a list item named after the choice, inside
// the combo box, focused while it is the current choice of the focused combo box. It belongs to no
// QObject: the combo box's own interface stays the one Qt finds for the combo box.
class ComboChoiceAccessible final : public QAccessibleInterface
{
public:
    ComboChoiceAccessible(QComboBox *combo, int row)
        : m_combo(combo)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_combo && m_row < m_combo->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_combo ? m_combo->window()->windowHandle() : nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_combo.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    const QComboBox *comboBox() const { return m_combo.data(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text type) const override
    {
        if (type != QAccessible::Name || !isValid())
            return {};
        return m_combo->itemText(m_row);
    }

    QRect rect() const override
    {
        if (!m_combo)
            return {};
        return QRect(m_combo->mapToGlobal(QPoint(0, 0)), m_combo->size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const bool current = m_combo->currentIndex() == m_row;
        state.focusable = true;
        state.selectable = true;
        state.selected = current;
        state.focused = current && m_combo->hasFocus();
        state.invisible = !current;
        return state;
    }

private:
    QPointer<QComboBox> m_combo;
    int m_row;
};

} // namespace

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
    // A choice said as it is made: a screen reader takes an object without a place for a dead one. It is
    // not listed among the children, which stay the list and the text field.
    if (const auto *choice = dynamic_cast<const ComboChoiceAccessible *>(child); choice && choice->comboBox() == comboBox())
        return childCount();
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

// Owns the choices' interfaces of one combo box (the accessibility cache holds them by id) and reports a
// new choice to the screen reader.
class ChoicesHeard final : public QObject
{
public:
    explicit ChoicesHeard(QComboBox &combo)
        : QObject(&combo)
        , m_combo(&combo)
    {
        connect(&combo, &QComboBox::currentIndexChanged, this, &ChoicesHeard::sayChoice);
    }

    ~ChoicesHeard() override
    {
        for (QAccessible::Id id : std::as_const(m_choices))
            QAccessible::deleteAccessibleInterface(id);
    }

private:
    void sayChoice(int row)
    {
        // An open list says its items itself; a combo box without the focus is not being listened to.
        if (row < 0 || !m_combo->hasFocus() || m_combo->view()->isVisible())
            return;
        QAccessible::Id &id = m_choices[row];
        if (!id)
            id = QAccessible::registerAccessibleInterface(new ComboChoiceAccessible(m_combo, row));
        QAccessibleEvent focus(QAccessible::accessibleInterface(id), QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }

    QComboBox *m_combo;
    QHash<int, QAccessible::Id> m_choices;
};

// Qt's text field selects all its text when the keyboard brings the focus; a focus that came by another
// way leaves it as it is. The combo box passes its focus on to its text field, so it is told the other way.
class TextUnselectedOnFocus final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::FocusIn)
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason && reason != Qt::ShortcutFocusReason)
            return false;
        QFocusEvent otherWay(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(watched, &otherWay);
        return true;
    }
};

} // namespace

void makeChoicesHeard(QComboBox &combo)
{
    new ChoicesHeard(combo);
}

void keepTextUnselectedOnFocus(QComboBox &combo)
{
    combo.installEventFilter(new TextUnselectedOnFocus(&combo));
}

void installComboBoxAccessibility()
{
    QAccessible::installFactory(comboBoxFactory);
}

} // namespace vantrel
