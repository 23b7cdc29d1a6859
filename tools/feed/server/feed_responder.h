// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/feed_faults.h"
#include "server/http_messages.h"

#include <QByteArray>
#include <QByteArrayList>

#include <functional>
#include <optional>
#include <random>

namespace vantrel::feed {

// The bytes of one answer and how they go out.
struct Answer {
    enum class Rest {
        None,     // the bytes up to `sentAtOnce` at once (all of them, as a rule), then the connection closes
        Trickle,  // the bytes after `sentAtOnce` one a second, then the connection closes
        Withhold, // the bytes after `sentAtOnce` never; the connection stays open
    };

    QByteArray bytes; // status line, header fields and body
    qsizetype sentAtOnce = 0;
    Rest rest = Rest::None;
};

// Decides the answer to each request: the quote page, an HTTP error, or the chosen fault.
class FeedResponder
{
public:
    // Where each page comes from; called once for every request that needs a page.
    using PageSource = std::function<QByteArray()>;
    // Why no page can be served now, in one line, or nothing when one can; the page requests are then
    // answered 503 with that line.
    using Unavailability = std::function<std::optional<QByteArray>()>;

    FeedResponder(FaultMode fault, PageSource pages, quint64 garbageSeed, Unavailability unavailability = {});

    // The Host values a request must carry, in lower case (the server's own names); none set, any.
    void setHostNames(QByteArrayList names) { m_hostNames = std::move(names); }

    Answer answer(const RequestHead &request);

private:
    Answer pageAnswer();

    FaultMode m_fault;
    PageSource m_pages;
    Unavailability m_unavailability;
    QByteArrayList m_hostNames;
    std::mt19937_64 m_garbage;
};

} // namespace vantrel::feed
