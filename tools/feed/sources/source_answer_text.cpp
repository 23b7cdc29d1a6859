// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/source_answer_text.h"

namespace vantrel::feed {

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODate);
}

QString shownText(const QString &text)
{
    constexpr qsizetype kLongest = 60;
    QString shown;
    for (const QChar c : text.left(kLongest))
        shown += c.isPrint() ? c : QChar(u'?');
    return text.size() > kLongest ? shown + QStringLiteral("...") : shown;
}

std::optional<QJsonDocument> jsonOfAnswer(QByteArrayView answer, QString &why)
{
    QJsonParseError parseError;
    QJsonDocument document = QJsonDocument::fromJson(answer.toByteArray(), &parseError);
    if (parseError.error == QJsonParseError::NoError)
        return document;
    why = QStringLiteral("the answer is not JSON: %1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
    return std::nullopt;
}

std::optional<QString> notAnAnswerOfData(QByteArrayView answer, QByteArrayView refusal)
{
    const QByteArray trimmed = answer.trimmed().toByteArray();
    if (trimmed.isEmpty())
        return QStringLiteral("the answer is empty");
    const QByteArray lower = trimmed.toLower();
    if (lower.startsWith('<') || lower.contains("<html"))
        return QStringLiteral("the answer is a web page, not data");
    if (!refusal.isEmpty() && lower.contains(refusal.toByteArray().toLower()))
        return QStringLiteral("the answer says '%1'").arg(shownText(QString::fromLatin1(trimmed.left(200))));
    return std::nullopt;
}

} // namespace vantrel::feed
