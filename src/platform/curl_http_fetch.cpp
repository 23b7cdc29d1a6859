// SPDX-License-Identifier: GPL-3.0-or-later
#include "curl_http_fetch.h"

#include <QSocketNotifier>

#include <curl/curl.h>

namespace vantrel {
namespace {

// curl's own error numbers stay below 100, clear of the fetch's.
static_assert(CURL_LAST < kFetchTimedOut);

const bool curlReady = curl_global_init(CURL_GLOBAL_NOTHING) == CURLE_OK;

} // namespace

// The notifiers of one of curl's sockets. They are let go with deleteLater(): curl drops a socket from
// inside the call that one of them set off.
struct CurlHttpFetch::Watch {
    struct LaterDeleter {
        void operator()(QSocketNotifier *notifier) const
        {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    };
    std::unique_ptr<QSocketNotifier, LaterDeleter> read;
    std::unique_ptr<QSocketNotifier, LaterDeleter> write;
};

CurlHttpFetch::CurlHttpFetch(QString socketPath, QObject *parent)
    : HttpFetch(parent)
    , m_socketPath(socketPath.toLocal8Bit())
{
    Q_ASSERT(curlReady);
    m_multi = curl_multi_init();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlHttpFetch::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlHttpFetch::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    m_curlTimer.setSingleShot(true);
    // curl keeps the request's deadline itself and asks to be woken for it: on time, not up to 5 % late.
    m_curlTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_curlTimer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    m_notStarted.setSingleShot(true);
    m_notStarted.setInterval(0);
    connect(&m_notStarted, &QTimer::timeout, this, [this] {
        emit finished({CURLE_FAILED_INIT, {}, QStringLiteral("curl could not start the request")});
    });
}

CurlHttpFetch::~CurlHttpFetch()
{
    releaseTransfer();
    curl_multi_cleanup(m_multi);
}

void CurlHttpFetch::setRequestTimeout(int seconds)
{
    m_timeoutMs = seconds * 1000;
}

void CurlHttpFetch::fetch(const QUrl &url)
{
    cancel();
    m_body.clear();
    m_tooLarge = false;
    m_errorDetail[0] = '\0';

    m_easy = curl_easy_init();
    if (!m_easy) {
        m_notStarted.start(); // the answer comes later, as always
        return;
    }
    curl_easy_setopt(m_easy, CURLOPT_UNIX_SOCKET_PATH, m_socketPath.constData());
    curl_easy_setopt(m_easy, CURLOPT_URL, url.toEncoded().constData());
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(m_easy, CURLOPT_USERAGENT, "Vantrel");
    // The page comes from the quote address or not at all (curl follows nothing unless told to),
    // and no proxy the environment names stands between.
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(m_easy, CURLOPT_NOPROXY, "*");
    // A deadline over the whole request: a server that trickles a byte a second still ends in time.
    curl_easy_setopt(m_easy, CURLOPT_TIMEOUT_MS, long(m_timeoutMs));
    // Refused at once when the announced length is too much, and stopped in onBody when it was not.
    curl_easy_setopt(m_easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_maximumPageSize));
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlHttpFetch::onBody);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorDetail);
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    // One connection per request, as the quote server closes after every answer.
    curl_easy_setopt(m_easy, CURLOPT_FORBID_REUSE, 1L);
    // Sets the timer that starts the transfer.
    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK) {
        releaseTransfer();
        m_notStarted.start();
    }
}

void CurlHttpFetch::cancel()
{
    m_notStarted.stop();
    releaseTransfer();
}

int CurlHttpFetch::onSocket(void *, int socket, int what, void *self, void *)
{
    static_cast<CurlHttpFetch *>(self)->watch(socket, what);
    return 0;
}

int CurlHttpFetch::onTimer(void *, long timeoutMs, void *self)
{
    QTimer &timer = static_cast<CurlHttpFetch *>(self)->m_curlTimer;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(int(qMin<long>(timeoutMs, std::numeric_limits<int>::max())));
    return 0;
}

size_t CurlHttpFetch::onBody(char *data, size_t size, size_t count, void *self)
{
    auto *fetch = static_cast<CurlHttpFetch *>(self);
    const qint64 bytes = qint64(size * count);
    if (fetch->m_body.size() + bytes > fetch->m_maximumPageSize) {
        fetch->m_tooLarge = true;
        return 0; // ends the transfer
    }
    fetch->m_body.append(data, bytes);
    return size_t(bytes);
}

void CurlHttpFetch::watch(int socket, int what)
{
    if (what == CURL_POLL_REMOVE) {
        m_watches.remove(socket);
        return;
    }
    std::shared_ptr<Watch> &watch = m_watches[socket];
    if (!watch) {
        watch = std::make_shared<Watch>();
        watch->read.reset(new QSocketNotifier(socket, QSocketNotifier::Read));
        watch->write.reset(new QSocketNotifier(socket, QSocketNotifier::Write));
        connect(watch->read.get(), &QSocketNotifier::activated, this, [this, socket] { act(socket, CURL_CSELECT_IN); });
        connect(watch->write.get(), &QSocketNotifier::activated, this,
                [this, socket] { act(socket, CURL_CSELECT_OUT); });
    }
    watch->read->setEnabled(what & CURL_POLL_IN);
    watch->write->setEnabled(what & CURL_POLL_OUT);
}

void CurlHttpFetch::act(int socket, int events)
{
    if (!m_easy)
        return;
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    finishIfDone();
}

void CurlHttpFetch::finishIfDone()
{
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy) {
            finishWith(resultOf(message->data.result));
            return;
        }
    }
}

FetchResult CurlHttpFetch::resultOf(int code)
{
    if (m_tooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return {kFetchTooLarge, {}, QStringLiteral("the page is larger than %1 bytes").arg(m_maximumPageSize)};
    if (code == CURLE_OPERATION_TIMEDOUT)
        return {kFetchTimedOut, {}, QStringLiteral("the request timed out")};
    if (code == CURLE_PARTIAL_FILE)
        return {code, {}, QStringLiteral("the connection closed in the middle of the page")};
    if (code != CURLE_OK) {
        const QString detail = QString::fromLocal8Bit(static_cast<const char *>(m_errorDetail));
        return {code, {}, detail.isEmpty() ? QString::fromLatin1(curl_easy_strerror(CURLcode(code))) : detail};
    }
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    // An error status still comes with the page the server sent, and that page is what gets saved;
    // a page sent on from elsewhere is no quote page.
    if (status >= 300 && status < 400)
        return {CURLE_TOO_MANY_REDIRECTS, {},
                QStringLiteral("HTTP %1: the page was sent on elsewhere; not followed").arg(status)};
    return {0, m_body, {}};
}

void CurlHttpFetch::finishWith(FetchResult result)
{
    releaseTransfer();
    emit finished(result);
}

void CurlHttpFetch::releaseTransfer()
{
    if (m_easy) {
        CURL *easy = m_easy;
        m_easy = nullptr;
        curl_multi_remove_handle(m_multi, easy); // drops its sockets through onSocket
        curl_easy_cleanup(easy);
    }
    m_curlTimer.stop();
    m_watches.clear();
    m_body.clear();
}

} // namespace vantrel
