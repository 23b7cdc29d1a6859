// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/feed_responder.h"

namespace vantrel::feed {
namespace {

Answer whole(int status, const QByteArray &body)
{
    const QByteArray bytes = responseHead(status, body.size()) + body;
    return {bytes, bytes.size(), Answer::Rest::None};
}

// The head announces the whole page, so the client expects the rest of it; the bytes up to the
// middle of the quote line go out at once, and `rest` says what becomes of the others.
Answer cutInTheMiddle(const QByteArray &page, Answer::Rest rest)
{
    const QByteArray bytes = responseHead(200, page.size()) + page;
    return {bytes, bytes.size() - page.size() + quoteLineMiddle(page), rest};
}

} // namespace

FeedResponder::FeedResponder(FaultMode fault, PageSource pages, quint64 garbageSeed, Unavailability unavailability)
    : m_fault(fault)
    , m_pages(std::move(pages))
    , m_unavailability(std::move(unavailability))
    , m_garbage(garbageSeed)
{
}

Answer FeedResponder::answer(const RequestHead &request)
{
    if (request.state != RequestHead::State::Complete)
        return whole(400, statusPage(400));
    // Before anything else, so that a request sent under another name neither gets a page nor wakes
    // the source.
    if (!m_hostNames.isEmpty() && (!request.host || !m_hostNames.contains(*request.host)))
        return whole(421, statusPage(421));
    if (request.method != "GET")
        return whole(405, statusPage(405));
    if (request.target != kQuotePageTarget)
        return whole(404, statusPage(404));
    if (m_unavailability) {
        if (const std::optional<QByteArray> why = m_unavailability())
            return whole(503, *why + "\r\n");
    }
    return pageAnswer();
}

Answer FeedResponder::pageAnswer()
{
    switch (m_fault) {
    case FaultMode::None:
        return whole(200, m_pages());
    case FaultMode::Error:
        return whole(500, statusPage(500));
    case FaultMode::Empty:
        return whole(200, QByteArray());
    case FaultMode::Truncated: {
        const QByteArray page = m_pages();
        return whole(200, page.first(quoteLineMiddle(page)));
    }
    case FaultMode::Garbage:
        return whole(200, garbageBytes(m_pages().size(), m_garbage));
    case FaultMode::Stall:
        return cutInTheMiddle(m_pages(), Answer::Rest::Withhold);
    case FaultMode::Cut:
        return cutInTheMiddle(m_pages(), Answer::Rest::None);
    case FaultMode::Trickle: {
        const QByteArray page = m_pages();
        const QByteArray head = responseHead(200, page.size());
        return {head + page, head.size(), Answer::Rest::Trickle};
    }
    case FaultMode::Huge:
        return whole(200, hugePage(m_pages()));
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace vantrel::feed
