// SPDX-License-Identifier: GPL-3.0-or-later
#include "socket_owner.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
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

struct FileDescriptor {
    int value;
    ~FileDescriptor() { ::close(value); }
};

} // namespace

std::optional<uid_t> tcpSocketOwner(const QHostAddress &local, quint16 localPort, const QHostAddress &remote,
                                    quint16 remotePort)
{
    const FileDescriptor diag{::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG)};
    if (diag.value < 0)
        return std::nullopt;

    struct {
        nlmsghdr header;
        inet_diag_req_v2 body;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    request.header.nlmsg_flags = NLM_F_REQUEST; // one socket, looked up exactly, not a dump
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
    if (::send(diag.value, &request, sizeof request, 0) != ssize_t(sizeof request))
        return std::nullopt;

    alignas(nlmsghdr) char answer[8192];
    const ssize_t received = ::recv(diag.value, answer, sizeof answer, 0);
    if (received < ssize_t(sizeof(nlmsghdr)))
        return std::nullopt;
    const auto *header = reinterpret_cast<const nlmsghdr *>(answer);
    if (!NLMSG_OK(header, size_t(received)) || header->nlmsg_type != SOCK_DIAG_BY_FAMILY
        || header->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg)))
        return std::nullopt; // NLMSG_ERROR: no such socket
    return static_cast<const inet_diag_msg *>(NLMSG_DATA(header))->idiag_uid;
}

} // namespace vantrel
