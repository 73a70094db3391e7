#include "app/handoffserver.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {
// Generous bounds for a list of paths; a peer beyond them is cut off.
constexpr int kMaxMessageBytes = 64 * 1024 * 1024;
constexpr int kMaxMessageMs = 10000;
} // namespace

HandoffServer::HandoffServer(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &HandoffServer::onNewConnection);
}

HandoffServer::~HandoffServer() = default;

bool HandoffServer::listen(const QString &name)
{
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

QStringList HandoffServer::parseMessage(const QByteArray &body)
{
    return QString::fromUtf8(body).split(QLatin1Char('\n'), Qt::SkipEmptyParts, Qt::CaseSensitive);
}

void HandoffServer::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        m_pending.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(
            socket, &QLocalSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
        QTimer::singleShot(kMaxMessageMs, socket, [this, socket] {
            if (m_pending.remove(socket) > 0) {
                socket->abort();
                socket->deleteLater();
            }
        });
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
    it.value() += socket->readAll();
    if (it.value().size() > kMaxMessageBytes) {
        m_pending.erase(it);
        socket->abort();
        socket->deleteLater();
    }
}

void HandoffServer::onDisconnected(QLocalSocket *socket)
{
    auto it = m_pending.find(socket);
    if (it == m_pending.end())
        return;
    QByteArray body = it.value() + socket->readAll();
    m_pending.erase(it);
    socket->deleteLater();
    const QStringList files = parseMessage(body);
    if (!files.isEmpty())
        emit filesReceived(files);
}
