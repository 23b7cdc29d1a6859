// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace vantrel {

// The help window: a fixed page of instructions and a "Return" button that closes it.
class Form7 final : public QWidget
{
    Q_OBJECT

public:
    Form7();

    static QString helpText();

    QPlainTextEdit *Text1;
    QPushButton *Command1;
};

} // namespace vantrel
