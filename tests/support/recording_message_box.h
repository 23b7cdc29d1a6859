// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toolkit/message_box.h"

#include <QStringList>

namespace vantrel::test {

// Keeps the messages the program would have shown, instead of waiting for a click on OK.
class RecordingMessageBox final : public MessageBox
{
public:
    void show(QWidget *, const QString &text) override { shown << text; }

    QStringList shown;
};

} // namespace vantrel::test
