// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/feed_connection.h"

#include <QTcpSocket>

namespace vantrel::feed {

FeedConnection::FeedConnection(QTcpSocket *socket, int delayMs, Responder responder, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_delayMs(delayMs)
    , m_responder(std::move(responder))
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &FeedConnection::readRequest);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);

    m_requestTimeout.setSingleShot(true);
    connect(&m_requestTimeout, &QTimer::timeout, this, [this] {
        m_socket->abort();
        deleteLater();
    });
    m_requestTimeout.start(kRequestTimeoutMs);

    m_trickle.setInterval(1000);
    connect(&m_trickle, &QTimer::timeout, this, &FeedConnection::sendNextTrickledByte);

    // A socket can be handed over already closed, or with its request already waiting.
    if (!connected())
        deleteLater();
    else if (m_socket->bytesAvailable() > 0)
        readRequest();
}

bool FeedConnection::connected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void FeedConnection::readRequest()
{
    if (m_requestRead) {
        m_socket->readAll(); // whatever the client sends after its head means nothing to us
        return;
    }
    m_received += m_socket->read(kMaxRequestHeadSize - m_received.size());
    const RequestHead request = parseRequestHead(m_received);
    if (request.state == RequestHead::State::Incomplete)
        return;

    m_requestRead = true;
    m_requestTimeout.stop();
    m_received.clear();
    if (request.state == RequestHead::State::Malformed || m_delayMs == 0)
        respond(request);
    else
        QTimer::singleShot(m_delayMs, this, [this, request] { respond(request); });
}

void FeedConnection::respond(const RequestHead &request)
{
    if (!connected())
        return;
    m_answer = m_responder(request);
    m_sent = m_answer.sentAtOnce;
    m_socket->write(m_answer.bytes.first(m_sent));
    switch (m_answer.rest) {
    case Answer::Rest::None:
        m_socket->disconnectFromHost(); // after the pending bytes are written
        break;
    case Answer::Rest::Trickle:
        m_trickle.start();
        break;
    case Answer::Rest::Withhold:
        break;
    }
}

void FeedConnection::sendNextTrickledByte()
{
    if (!connected()) {
        m_trickle.stop();
        return;
    }
    if (m_sent < m_answer.bytes.size())
        m_socket->write(m_answer.bytes.sliced(m_sent++, 1));
    if (m_sent == m_answer.bytes.size()) {
        m_trickle.stop();
        m_socket->disconnectFromHost();
    }
}

} // namespace vantrel::feed
