// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/http_fetch.h"

#include <QList>
#include <QUrl>

namespace vantrel::test {

// A download that answers only when the test says so, and records what it was asked.
class FakeHttpFetch final : public HttpFetch
{
    Q_OBJECT

public:
    using HttpFetch::HttpFetch;

    void setRequestTimeout(int seconds) override { timeouts << seconds; }
    void fetch(const QUrl &url) override
    {
        requests << url;
        m_busy = true;
    }
    void cancel() override
    {
        ++cancels;
        m_busy = false;
    }
    bool isBusy() const override { return m_busy; }

    // Completes the request in flight.
    void answer(const FetchResult &result)
    {
        m_busy = false;
        emit finished(result);
    }
    void answerPage(const QByteArray &page) { answer({0, page, {}}); }

    QList<QUrl> requests;
    QList<int> timeouts;
    int cancels = 0;

private:
    bool m_busy = false;
};

} // namespace vantrel::test
