// SPDX-License-Identifier: GPL-3.0-or-later
#include "message_box.h"

#include <QMessageBox>

namespace vantrel {

void DialogMessageBox::show(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vantrel"), text, QMessageBox::Ok, parent);
    // The screen reader says the title and then the text it finds in the box; a description would be the
    // text a second time.
    box.setAccessibleName(QStringLiteral("Vantrel"));
    box.exec();
}

} // namespace vantrel
