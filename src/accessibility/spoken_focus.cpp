// SPDX-License-Identifier: GPL-3.0-or-later
#include "spoken_focus.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace vantrel {

void sayFocusedControlAgain(QWidget &control)
{
    if (!control.hasFocus())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Qt 6.8 reports the new name with the name itself, and Orca 48 says it with the role ("Cancel
    // button"); an announcement as well would say the caption twice.
    return;
#endif
    // A screen reader ignores a focus event for the object it already has as focus; a new interface is a
    // new object on the bus, which the focus event then introduces with its present name.
    if (QAccessibleInterface *old = QAccessible::queryAccessibleInterface(&control))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    QAccessibleEvent focus(&control, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

namespace {

// What sayAboutFocusedControl() shows: a static text inside the control, with the focus. It belongs to no
// QObject, so that the control's own interface stays the one Qt finds for it, and it has no place among
// the control's children: a screen reader takes a text without a place as a text of its own.
class NoteAccessible final : public QAccessibleInterface
{
public:
    NoteAccessible(QWidget *control, const QString &text)
        : m_control(control)
        , m_text(text)
    {
    }

    bool isValid() const override { return !m_control.isNull(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_control ? m_control->window()->windowHandle() : nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_control.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    void setText(QAccessible::Text, const QString &) override {}
    QString text(QAccessible::Text type) const override { return type == QAccessible::Name ? m_text : QString(); }

    QRect rect() const override
    {
        return m_control ? QRect(m_control->mapToGlobal(QPoint(0, 0)), m_control->size()) : QRect();
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.focusable = true;
        state.focused = m_control && m_control->hasFocus();
        state.readOnly = true;
        return state;
    }

private:
    QPointer<QWidget> m_control;
    QString m_text;
};

// The entry's place among the list's accessible children: a list view has no header, so its row.
void sayCurrentEntry(QAbstractItemView &list)
{
    const QModelIndex current = list.currentIndex();
    if (!list.hasFocus() || !current.isValid())
        return;
    QAccessibleEvent focus(&list, QAccessible::Focus);
    focus.setChild(current.row());
    QAccessible::updateAccessibility(&focus);
}

class CurrentEntryHeard final : public QObject
{
public:
    explicit CurrentEntryHeard(QAbstractItemView &list)
        : QObject(&list)
        , m_list(&list)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::FocusIn || !m_list->model() || m_list->model()->rowCount() == 0)
            return false;
        QItemSelectionModel *selection = m_list->selectionModel();
        QModelIndex current = m_list->currentIndex();
        if (!current.isValid())
            current = m_list->model()->index(0, 0);
        if (!selection->isSelected(current))
            selection->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        // Qt says the list once it has the focus, after this event; the entry is said after the list.
        QTimer::singleShot(0, m_list, [list = m_list] {
            if (list)
                sayCurrentEntry(*list);
        });
        return false;
    }

private:
    QPointer<QAbstractItemView> m_list;
};

} // namespace

void sayAboutFocusedControl(QWidget &control, const QString &text)
{
    if (!control.hasFocus())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(&control, text);
    QAccessible::updateAccessibility(&announcement);
    return;
#endif
    // A new note each time: a screen reader does not say again the object that already has its focus.
    // The one before is no longer wanted.
    static QAccessible::Id previous = 0;
    if (previous && QAccessible::accessibleInterface(previous))
        QAccessible::deleteAccessibleInterface(previous);
    previous = QAccessible::registerAccessibleInterface(new NoteAccessible(&control, text));
    QAccessibleEvent focus(QAccessible::accessibleInterface(previous), QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void makeCurrentEntryHeard(QAbstractItemView &list)
{
    list.installEventFilter(new CurrentEntryHeard(list));
}

} // namespace vantrel
