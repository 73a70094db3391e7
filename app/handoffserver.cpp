#include "app/handoffserver.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {
// Generous bounds for a list of paths; a peer beyond them is cut off. The total bound keeps
// many senders at once from growing the player without end.
constexpr int kMaxMessageBytes = 64 * 1024 * 1024;
constexpr int kMaxMessageMs = 10000;
} // namespace

HandoffServer::HandoffServer(QObject *parent, qint64 maxPendingBytes)
    : QObject(parent)
    , m_server(new QLocalServer(this))
    , m_maxPendingBytes(maxPendingBytes)
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &HandoffServer::onNewConnection);
}

HandoffServer::~HandoffServer() = default;

bool HandoffServer::listen(const QString &name)
{
    if (name.isEmpty())
        return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

QStringList HandoffServer::parseMessage(const QByteArray &body)
{
    // NUL is the one character no path can hold.
    // (The QByteArray overload of fromUtf8 would stop at the first NUL.)
    return QString::fromUtf8(body.constData(), body.size())
        .split(QChar(0), Qt::SkipEmptyParts, Qt::CaseSensitive);
}

void HandoffServer::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        m_pending.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(
            socket, &QLocalSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
        QTimer::singleShot(kMaxMessageMs, socket, [this, socket] { drop(socket); });
        // The peer may have written and closed before we got here.
        if (socket->bytesAvailable() > 0)
            onReadyRead(socket);
        if (socket->state() == QLocalSocket::UnconnectedState)
            onDisconnected(socket);
    }
}

void HandoffServer::onReadyRead(QLocalSocket *socket)
{
    auto it = m_pending.find(socket);
    if (it == m_pending.end())
        return;
    const QByteArray bytes = socket->readAll();
    it.value() += bytes;
    m_pendingBytes += bytes.size();
    if (it.value().size() > kMaxMessageBytes || m_pendingBytes > m_maxPendingBytes)
        drop(socket);
}

void HandoffServer::drop(QLocalSocket *socket)
{
    auto it = m_pending.find(socket);
    if (it == m_pending.end())
        return;
    m_pendingBytes -= it.value().size();
    m_pending.erase(it);
    socket->abort();
    socket->deleteLater();
}

void HandoffServer::onDisconnected(QLocalSocket *socket)
{
    auto it = m_pending.find(socket);
    if (it == m_pending.end())
        return;
    m_pendingBytes -= it.value().size();
    QByteArray body = it.value() + socket->readAll();
    m_pending.erase(it);
    socket->deleteLater();
    const QStringList files = parseMessage(body);
    if (!files.isEmpty())
        emit filesReceived(files);
}
