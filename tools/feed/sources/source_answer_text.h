// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QJsonDocument>
#include <QString>

#include <optional>

namespace vantrel::feed {

// A time as every line of the feed shows it: UTC, to the second.
QString timeText(const QDateTime &time);

// Text a source sent, fit to be quoted in one stderr line: control characters made visible and cut
// short, so that an answer can neither run on nor write a line of its own.
QString shownText(const QString &text);

// An answer that should be JSON, or why it is not.
std::optional<QJsonDocument> jsonOfAnswer(QByteArrayView answer, QString &why);

// Why an answer that should hold data holds none: it is empty, a web page (a maintenance notice, a
// captive portal), or says `refusal` ("not authorized"); nothing when it may be data.
std::optional<QString> notAnAnswerOfData(QByteArrayView answer, QByteArrayView refusal = {});

} // namespace vantrel::feed
