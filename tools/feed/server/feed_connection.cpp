// SPDX-License-Identifier: GPL-3.0-or-later
#include "server/feed_connection.h"

#include <QLocalSocket>
#include <QTcpSocket>

namespace vantrel::feed {

FeedConnection::FeedConnection(QTcpSocket *socket, int delayMs, Responder responder, QObject *parent)
    : FeedConnection(static_cast<QIODevice *>(socket), delayMs, std::move(responder), parent)
{
    m_connected = [socket] { return socket->state() == QAbstractSocket::ConnectedState; };
    m_closeAfterWriting = [socket] { socket->disconnectFromHost(); };
    m_abort = [socket] { socket->abort(); };
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    start();
}

FeedConnection::FeedConnection(QLocalSocket *socket, int delayMs, Responder responder, QObject *parent)
    : FeedConnection(static_cast<QIODevice *>(socket), delayMs, std::move(responder), parent)
{
    m_connected = [socket] { return socket->state() == QLocalSocket::ConnectedState; };
    m_closeAfterWriting = [socket] { socket->disconnectFromServer(); };
    m_abort = [socket] { socket->abort(); };
    connect(socket, &QLocalSocket::disconnected, this, &QObject::deleteLater);
    start();
}

FeedConnection::FeedConnection(QIODevice *socket, int delayMs, Responder responder, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_delayMs(delayMs)
    , m_responder(std::move(responder))
{
    m_socket->setParent(this);
}

void FeedConnection::start()
{
    connect(m_socket, &QIODevice::readyRead, this, &FeedConnection::readRequest);

    m_requestTimeout.setSingleShot(true);
    connect(&m_requestTimeout, &QTimer::timeout, this, &FeedConnection::drop);
    m_requestTimeout.start(kRequestTimeoutMs);

    m_trickle.setInterval(1000);
    connect(&m_trickle, &QTimer::timeout, this, &FeedConnection::sendNextTrickledByte);

    // A socket can be handed over already closed, or with its request already waiting.
    if (!m_connected())
        deleteLater();
    else if (m_socket->bytesAvailable() > 0)
        readRequest();
}

void FeedConnection::drop()
{
    m_requestTimeout.stop();
    m_trickle.stop();
    m_requestRead = true; // no longer counted as waiting
    m_abort();
    deleteLater();
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
    if (!m_connected())
        return;
    m_answer = m_responder(request);
    m_sent = m_answer.sentAtOnce;
    m_socket->write(m_answer.bytes.first(m_sent));
    switch (m_answer.rest) {
    case Answer::Rest::None:
        m_closeAfterWriting(); // after the pending bytes are written
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
    if (!m_connected()) {
        m_trickle.stop();
        return;
    }
    if (m_sent < m_answer.bytes.size())
        m_socket->write(m_answer.bytes.sliced(m_sent++, 1));
    if (m_sent == m_answer.bytes.size()) {
        m_trickle.stop();
        m_closeAfterWriting();
    }
}

} // namespace vantrel::feed
