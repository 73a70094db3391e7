#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// Listens on the single-instance channel and emits the paths each later start sends.
// A message is complete when its sender closes the connection.
class HandoffServer : public QObject
{
    Q_OBJECT
public:
    // maxPendingBytes bounds what all senders together may hold at once.
    explicit HandoffServer(QObject *parent = nullptr, qint64 maxPendingBytes = 64 * 1024 * 1024);
    ~HandoffServer() override;

    bool listen(const QString &name);

    // The paths of one message body: split at NUL, empty parts dropped.
    static QStringList parseMessage(const QByteArray &body);

signals:
    void filesReceived(const QStringList &files);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket *socket);
    void onDisconnected(QLocalSocket *socket);
    // Cuts a sender off and forgets what it sent.
    void drop(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
    QHash<QLocalSocket *, QByteArray> m_pending;
    const qint64 m_maxPendingBytes;
    qint64 m_pendingBytes = 0; // held by all senders at once
};
