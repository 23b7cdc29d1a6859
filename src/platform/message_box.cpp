// SPDX-License-Identifier: GPL-3.0-or-later
#include "message_box.h"

#include <QMessageBox>

namespace vantrel {

void DialogMessageBox::show(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vantrel"), text, QMessageBox::Ok, parent);
    box.setAccessibleName(QStringLiteral("Vantrel"));
    box.setAccessibleDescription(text);
    box.exec();
}

} // namespace vantrel
