// SPDX-License-Identifier: GPL-3.0-or-later
#include "socket_owner.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace vantrel {
namespace {

// An IPv4 address (mapped or not) as the kernel's IPv4 lookup wants it, else the IPv6 one; a null
// address is the any-address of the other's family.
int familyOf(const QHostAddress &address, const QHostAddress &other)
{
    const QHostAddress &known = address.isNull() ? other : address;
    bool v4 = false;
    known.toIPv4Address(&v4);
    return v4 ? AF_INET : AF_INET6;
}

void put(__be32 (&field)[4], const QHostAddress &address, int family)
{
    std::memset(field, 0, sizeof field);
    if (address.isNull())
        return;
    if (family == AF_INET) {
        field[0] = htonl(address.toIPv4Address());
    } else {
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(field, bytes.c, sizeof bytes.c);
    }
}

// One socket to the kernel's socket diagnostics, opened once and kept: a lookup must not need a
// descriptor of its own when a siege has taken the last one.
int diagnostics()
{
    static const int socket = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    return socket;
}

// Whether the socket the kernel found is the one asked for: an exact lookup that finds no connection
// falls back to a listener on the port (any remote client port matches it), and finds sockets in
// TIME_WAIT, whose owner reads as root.
bool sameAddress(const __be32 (&found)[4], int foundFamily, const __be32 (&asked)[4], int askedFamily)
{
    if (foundFamily == askedFamily)
        return std::memcmp(found, asked, foundFamily == AF_INET ? 4 : sizeof found) == 0;
    // An IPv6 socket that reached an IPv4 address through its mapped form.
    return foundFamily == AF_INET6 && found[0] == 0 && found[1] == 0 && found[2] == htonl(0xffff)
           && found[3] == asked[0];
}

bool isTheOneAskedFor(const inet_diag_msg &found, const inet_diag_req_v2 &asked, bool listener)
{
    if (listener)
        return found.idiag_state == TCP_LISTEN;
    return found.idiag_state != TCP_LISTEN && found.idiag_state != TCP_TIME_WAIT
           && found.idiag_state != TCP_CLOSE && found.id.idiag_sport == asked.id.idiag_sport
           && found.id.idiag_dport == asked.id.idiag_dport
           && sameAddress(found.id.idiag_src, found.idiag_family, asked.id.idiag_src, asked.sdiag_family)
           && sameAddress(found.id.idiag_dst, found.idiag_family, asked.id.idiag_dst, asked.sdiag_family);
}

} // namespace

std::optional<uid_t> tcpSocketOwner(const QHostAddress &local, quint16 localPort, const QHostAddress &remote,
                                    quint16 remotePort)
{
    const int diag = diagnostics();
    if (diag < 0)
        return std::nullopt;

    struct {
        nlmsghdr header;
        inet_diag_req_v2 body;
    } request{};
    static __u32 sequence = 0;
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    request.header.nlmsg_flags = NLM_F_REQUEST; // one socket, looked up exactly, not a dump
    request.header.nlmsg_seq = ++sequence;
    const int family = familyOf(local, remote);
    request.body.sdiag_family = __u8(family);
    request.body.sdiag_protocol = IPPROTO_TCP;
    request.body.idiag_states = ~0U;
    request.body.id.idiag_sport = htons(localPort);
    request.body.id.idiag_dport = htons(remotePort);
    put(request.body.id.idiag_src, local, family);
    put(request.body.id.idiag_dst, remote, family);
    request.body.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    request.body.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    if (::send(diag, &request, sizeof request, 0) != ssize_t(sizeof request))
        return std::nullopt;

    // The answer to this request, after any left over from one given up on.
    alignas(nlmsghdr) char answer[8192];
    for (;;) {
        const ssize_t received = ::recv(diag, answer, sizeof answer, 0);
        if (received < ssize_t(sizeof(nlmsghdr)))
            return std::nullopt;
        const auto *header = reinterpret_cast<const nlmsghdr *>(answer);
        if (!NLMSG_OK(header, size_t(received)))
            return std::nullopt;
        if (header->nlmsg_seq != request.header.nlmsg_seq)
            continue;
        if (header->nlmsg_type != SOCK_DIAG_BY_FAMILY || header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
            return std::nullopt; // NLMSG_ERROR: no such socket
        const auto &found = *static_cast<const inet_diag_msg *>(NLMSG_DATA(header));
        if (!isTheOneAskedFor(found, request.body, remote.isNull() && remotePort == 0))
            return std::nullopt;
        return found.idiag_uid;
    }
}

} // namespace vantrel
