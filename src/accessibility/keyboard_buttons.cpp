// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyboard_buttons.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace vantrel {
namespace {

class ReturnPressesFocusedButton final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || key->isAutoRepeat())
            return false;
        auto *button = qobject_cast<QPushButton *>(watched);
        if (!button || !button->hasFocus() || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

} // namespace

void installReturnPressesFocusedButton()
{
    QCoreApplication *application = QCoreApplication::instance();
    static const QString name = QStringLiteral("vantrel-return-presses-focused-button");
    if (!application || application->findChild<QObject *>(name, Qt::FindDirectChildrenOnly))
        return;
    auto *filter = new ReturnPressesFocusedButton(application);
    filter->setObjectName(name);
    application->installEventFilter(filter);
}

} // namespace vantrel
