// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the quote server's reading of a request head, as they might arrive from
// any client on the network.

#include "server/http_messages.h"

#include <cstdint>
#include <cstdlib>

namespace {

using vantrel::feed::RequestHead;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameHead(const RequestHead &a, const RequestHead &b)
{
    return a.state == b.state && a.method == b.method && a.target == b.target;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView received(reinterpret_cast<const char *>(data), qsizetype(size));
    const RequestHead head = vantrel::feed::parseRequestHead(received);

    switch (head.state) {
    case RequestHead::State::Incomplete:
        // Still waiting: no blank line yet, and not yet too big to be a head.
        check(!received.contains("\r\n\r\n") && !received.contains("\n\n"));
        check(received.size() < vantrel::feed::kMaxRequestHeadSize);
        check(head.method.isEmpty() && head.target.isEmpty());
        break;
    case RequestHead::State::Malformed:
        check(head.method.isEmpty() && head.target.isEmpty());
        break;
    case RequestHead::State::Complete:
        // The request line's words, exactly as they came.
        check(!head.method.isEmpty() && !head.target.isEmpty());
        check(!head.method.contains(' ') && !head.target.contains(' '));
        check(received.contains(head.method + ' ' + head.target + ' '));
        break;
    }

    // Once the head has ended (or can no longer end in time), what comes after it changes nothing.
    if (head.state != RequestHead::State::Incomplete) {
        const QByteArray more = received.toByteArray() + "GET / HTTP/1.1\r\n\r\n";
        check(sameHead(vantrel::feed::parseRequestHead(more), head));
    }
    return 0;
}
