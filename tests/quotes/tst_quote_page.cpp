// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/quote_page.h"

#include <QTest>

using namespace vantrel;

class TestQuotePage : public QObject
{
    Q_OBJECT

private slots:
    void findsLine_data();
    void findsLine();
};

void TestQuotePage::findsLine_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("lineNumber");
    QTest::addColumn<QString>("line"); // a null string: no such line
    QTest::addColumn<int>("lineCount");

    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\nc\r\n") << 2 << "b" << 3;
    QTest::newRow("CR only") << QByteArray("a\rb\rc\r") << 2 << "b" << 3;
    QTest::newRow("lone LF stays in the line") << QByteArray("a\nb\nc\n") << 1 << "a\nb\nc\n" << 1;
    QTest::newRow("lone LF page has no second line") << QByteArray("a\nb\n") << 2 << QString() << 1;
    QTest::newRow("LF CR is a line end after an LF") << QByteArray("a\n\rb") << 2 << "b" << 2;
    QTest::newRow("empty lines count") << QByteArray("\r\n\r\nx\r\n") << 3 << "x" << 3;
    QTest::newRow("last line without its end") << QByteArray("a\r\nlast") << 2 << "last" << 2;
    QTest::newRow("nothing after the last end") << QByteArray("a\r\n") << 2 << QString() << 1;
    QTest::newRow("Latin-1 bytes") << QByteArray("\xa3\xe9\r") << 1 << QString::fromLatin1("\xa3\xe9") << 1;
    QTest::newRow("empty page") << QByteArray() << 1 << QString() << 0;
}

void TestQuotePage::findsLine()
{
    QFETCH(QByteArray, page);
    QFETCH(int, lineNumber);
    QFETCH(QString, line);
    QFETCH(int, lineCount);

    const std::optional<QString> found = pageLine(page, lineNumber);
    QCOMPARE(found.has_value(), !line.isNull());
    if (found)
        QCOMPARE(*found, line);
    QCOMPARE(pageLineCount(page), lineCount);
}

QTEST_APPLESS_MAIN(TestQuotePage)
#include "tst_quote_page.moc"
