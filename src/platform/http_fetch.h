// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

namespace vantrel {

// What one download brought: the page, or why there is none.
struct FetchResult {
    // 0 for a page (also an error page the server sent), kFetchTimedOut when the deadline passed,
    // kFetchTooLarge for a reply past the size limit, otherwise the network error's number.
    int errorCode = 0;
    QByteArray page;
    QString errorText;

    bool ok() const { return errorCode == 0; }
};

inline constexpr int kFetchTimedOut = 35761;
inline constexpr int kFetchTooLarge = 35762;

// The download of the quote page (`Inet1`). One request at a time; the answer comes later through
// finished(), never from inside fetch(), so the window keeps running while the page is on its way.
class HttpFetch : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Total time a request may take before it is given up as timed out.
    virtual void setRequestTimeout(int seconds) = 0;
    // Starts downloading; a request still in flight is abandoned first.
    virtual void fetch(const QUrl &url) = 0;
    // Abandons the request in flight, if any; no finished() follows for it.
    virtual void cancel() = 0;
    virtual bool isBusy() const = 0;

signals:
    void finished(const vantrel::FetchResult &result);
};

} // namespace vantrel
