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
    explicit HandoffServer(QObject *parent = nullptr);
    ~HandoffServer() override;

    bool listen(const QString &name);

    // The paths of one message body: split at '\n', empty parts dropped.
    static QStringList parseMessage(const QByteArray &body);

signals:
    void filesReceived(const QStringList &files);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket *socket);
    void onDisconnected(QLocalSocket *socket);

    QLocalServer *m_server = nullptr;
    QHash<QLocalSocket *, QByteArray> m_pending;
};
