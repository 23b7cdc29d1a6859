// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/curl_http_fetch.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vantrel;

Q_DECLARE_METATYPE(vantrel::FetchResult)

namespace {

// The quote page's address; over a Unix socket, its host only names the server.
const QUrl kPageUrl(QStringLiteral("http://localhost/interesthq/market.dll?getexmarket_5l?branch=0755"));

// An HTTP server on a Unix socket of its own that answers every request the same scripted way.
class ScriptedServer : public QObject
{
public:
    enum class Mode { Answer, Stall, Trickle, Flood };

    // A trickle announces `trickleLength` bytes and sends them one every 20 ms.
    ScriptedServer(Mode mode, QByteArray response = {}, int trickleLength = 1000)
        : m_mode(mode)
        , m_response(std::move(response))
        , m_trickleLength(trickleLength)
    {
        if (!m_server.listen(path()))
            qFatal("cannot listen on %s", qPrintable(path()));
        connect(&m_server, &QLocalServer::newConnection, this, &ScriptedServer::onConnection);
    }

    QString path() const { return m_folder.filePath(QStringLiteral("feed.sock")); }
    qint64 bytesSent() const { return m_bytesSent; }
    int requests() const { return m_requests; }

private:
    void onConnection()
    {
        QLocalSocket *socket = m_server.nextPendingConnection();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (!socket->readAll().contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            ++m_requests;
            answer(socket);
        });
    }

    void answer(QLocalSocket *socket)
    {
        switch (m_mode) {
        case Mode::Answer:
            socket->write(m_response);
            socket->disconnectFromServer();
            break;
        case Mode::Stall:
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nhalf a page");
            break;
        case Mode::Trickle: {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(m_trickleLength) + "\r\n\r\n");
            auto *timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket, left = m_trickleLength]() mutable {
                if (left-- > 0)
                    socket->write("x");
            });
            timer->start(20);
            break;
        }
        case Mode::Flood: {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n");
            auto *timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [this, socket] {
                if (socket->bytesToWrite() < 256 * 1024)
                    m_bytesSent += socket->write(QByteArray(64 * 1024, 'x'));
            });
            timer->start(1);
            break;
        }
        }
    }

    QTemporaryDir m_folder;
    QLocalServer m_server;
    Mode m_mode;
    QByteArray m_response;
    int m_trickleLength;
    qint64 m_bytesSent = 0;
    int m_requests = 0;
};

QByteArray httpResponse(const QByteArray &status, const QByteArray &body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Fetches once and waits for the single result.
FetchResult fetchOnce(CurlHttpFetch &fetch)
{
    QSignalSpy finished(&fetch, &HttpFetch::finished);
    fetch.fetch(kPageUrl);
    if (!finished.wait(10000))
        qFatal("the fetch never finished");
    QTest::qWait(50);
    if (finished.size() != 1)
        qFatal("the fetch finished more than once");
    return finished.first().first().value<FetchResult>();
}

} // namespace

class TestCurlHttpFetch : public QObject
{
    Q_OBJECT

private slots:
    void serverAnswers_data();
    void serverAnswers();
    void refusedConnectionFails();
    void replyCutShortFails_data();
    void replyCutShortFails();
    void deadlineEndsSlowReplies_data();
    void deadlineEndsSlowReplies();
    void slowReplyWithinDeadlineArrives();
    void oversizedReplyIsAborted();
    void pageSizeLimit_data();
    void pageSizeLimit();
    void cancelledRequestReportsNothing();
    void redirectionIsAFailedFetch();
};

void TestCurlHttpFetch::serverAnswers_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QByteArray>("page");

    QTest::newRow("page") << httpResponse("200 OK", "<html>rates</html>") << QByteArray("<html>rates</html>");
    QTest::newRow("error status keeps its page")
        << httpResponse("500 Internal Server Error", "<html>down</html>") << QByteArray("<html>down</html>");
    QTest::newRow("not found keeps its page") << httpResponse("404 Not Found", "gone") << QByteArray("gone");
    QTest::newRow("empty page") << httpResponse("200 OK", "") << QByteArray();
    QTest::newRow("Latin-1 bytes unchanged") << httpResponse("200 OK", "\xa3\r\n\xff") << QByteArray("\xa3\r\n\xff");
}

void TestCurlHttpFetch::serverAnswers()
{
    QFETCH(QByteArray, response);
    QFETCH(QByteArray, page);

    ScriptedServer server(ScriptedServer::Mode::Answer, response);
    CurlHttpFetch fetch(server.path());
    const FetchResult result = fetchOnce(fetch);
    QCOMPARE(result.errorCode, 0);
    QCOMPARE(result.page, page);
    QVERIFY(!fetch.isBusy());
}

void TestCurlHttpFetch::refusedConnectionFails()
{
    QTemporaryDir folder;
    CurlHttpFetch fetch(folder.filePath(QStringLiteral("nobody-listens.sock")));
    const FetchResult result = fetchOnce(fetch);
    QVERIFY(result.errorCode != 0);
    QVERIFY(result.errorCode != kFetchTimedOut);
    QVERIFY(result.page.isEmpty());
}

void TestCurlHttpFetch::replyCutShortFails_data()
{
    QTest::addColumn<QByteArray>("response");

    // The server closes the connection after these bytes.
    QTest::newRow("page shorter than its length")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n<html>half a page");
    QTest::newRow("error page shorter than its length")
        << QByteArray("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 1000\r\n\r\n<html>down");
}

void TestCurlHttpFetch::replyCutShortFails()
{
    QFETCH(QByteArray, response);

    ScriptedServer server(ScriptedServer::Mode::Answer, response);
    CurlHttpFetch fetch(server.path());
    const FetchResult result = fetchOnce(fetch);
    QVERIFY(result.errorCode != 0);
    QVERIFY(result.errorCode != kFetchTimedOut);
    QVERIFY(result.page.isEmpty());
    QVERIFY(!fetch.isBusy());
}

void TestCurlHttpFetch::deadlineEndsSlowReplies_data()
{
    QTest::addColumn<ScriptedServer::Mode>("mode");

    QTest::newRow("stall") << ScriptedServer::Mode::Stall;
    // A byte every 20 ms never looks idle, so only a deadline over the whole request ends it.
    QTest::newRow("trickle") << ScriptedServer::Mode::Trickle;
}

void TestCurlHttpFetch::deadlineEndsSlowReplies()
{
    QFETCH(ScriptedServer::Mode, mode);

    ScriptedServer server(mode);
    CurlHttpFetch fetch(server.path());
    fetch.setRequestTimeoutMs(400);
    QElapsedTimer clock;
    qint64 endedAfterMs = -1;
    connect(&fetch, &HttpFetch::finished, &fetch, [&] { endedAfterMs = clock.elapsed(); });
    clock.start();
    const FetchResult result = fetchOnce(fetch);
    // Not given up before its time either.
    QVERIFY2(endedAfterMs >= 400, qPrintable(QString::number(endedAfterMs)));
    QCOMPARE(result.errorCode, kFetchTimedOut);
    QVERIFY(result.page.isEmpty());
    QVERIFY(!fetch.isBusy());
}

void TestCurlHttpFetch::slowReplyWithinDeadlineArrives()
{
    // Ten bytes at 20 ms each end well inside the deadline: they are a page like any other.
    ScriptedServer server(ScriptedServer::Mode::Trickle, {}, 10);
    CurlHttpFetch fetch(server.path());
    fetch.setRequestTimeoutMs(5000);
    const FetchResult result = fetchOnce(fetch);
    QCOMPARE(result.errorCode, 0);
    QCOMPARE(result.page, QByteArray(10, 'x'));
}

void TestCurlHttpFetch::oversizedReplyIsAborted()
{
    ScriptedServer server(ScriptedServer::Mode::Flood);
    CurlHttpFetch fetch(server.path());
    fetch.setMaximumPageSize(1024 * 1024);
    const FetchResult result = fetchOnce(fetch);
    QCOMPARE(result.errorCode, kFetchTooLarge);
    QVERIFY(result.page.isEmpty());
    // The download stops soon after the limit rather than at the end of the announced 100 MB.
    QVERIFY2(server.bytesSent() < 16 * 1024 * 1024, qPrintable(QString::number(server.bytesSent())));
}

void TestCurlHttpFetch::pageSizeLimit_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("errorCode");

    // 4 MiB is 4194304 bytes.
    QTest::newRow("just under 4 MiB") << 4194303 << 0;
    QTest::newRow("exactly 4 MiB") << 4194304 << 0;
    QTest::newRow("one byte over") << 4194305 << kFetchTooLarge;
}

void TestCurlHttpFetch::pageSizeLimit()
{
    QFETCH(int, size);
    QFETCH(int, errorCode);

    QByteArray page(size, 'p');
    page[0] = '<';
    page[size - 1] = '>';
    ScriptedServer server(ScriptedServer::Mode::Answer, httpResponse("200 OK", page));
    CurlHttpFetch fetch(server.path()); // with the limit the program uses
    const FetchResult result = fetchOnce(fetch);
    QCOMPARE(result.errorCode, errorCode);
    QCOMPARE(result.page, errorCode == 0 ? page : QByteArray());
}

void TestCurlHttpFetch::cancelledRequestReportsNothing()
{
    ScriptedServer server(ScriptedServer::Mode::Answer, httpResponse("200 OK", "page"));
    CurlHttpFetch fetch(server.path());
    QSignalSpy finished(&fetch, &HttpFetch::finished);
    fetch.fetch(kPageUrl);
    QVERIFY(fetch.isBusy());
    fetch.cancel();
    QVERIFY(!fetch.isBusy());
    QTest::qWait(300);
    QCOMPARE(finished.size(), 0);

    // A new request after a cancel works as usual.
    QCOMPARE(fetchOnce(fetch).page, QByteArray("page"));
}

// A page sent on from elsewhere is not the quote page: it is neither followed nor saved.
void TestCurlHttpFetch::redirectionIsAFailedFetch()
{
    // Followed, it would be a second request for another page of the same server.
    ScriptedServer server(ScriptedServer::Mode::Answer,
                          "HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 5\r\n"
                          "Connection: close\r\n\r\nmoved");
    CurlHttpFetch fetch(server.path());
    const FetchResult result = fetchOnce(fetch);
    QVERIFY(result.errorCode != 0);
    QVERIFY(result.page.isEmpty());
    QCOMPARE(server.requests(), 1);
}

QTEST_GUILESS_MAIN(TestCurlHttpFetch)
#include "tst_curl_http_fetch.moc"
