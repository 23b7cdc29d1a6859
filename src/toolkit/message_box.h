// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace vantrel {

// Where the program tells the user about a mistake: a text, one OK button, no icon, titled "Vantrel".
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    // Returns once the user has acknowledged the message.
    virtual void show(QWidget *parent, const QString &text) = 0;
};

// The real one: a modal Qt message box.
class DialogMessageBox final : public MessageBox
{
public:
    void show(QWidget *parent, const QString &text) override;
};

} // namespace vantrel
