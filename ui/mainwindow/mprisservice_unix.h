#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>

class PlaybackEngine;

// The player as the desktop sees it over D-Bus (MPRIS 2, service
// "org.mpris.MediaPlayer2.quellin"): media keys, desktop media controls and playerctl drive it
// through here. State is read from the engine; what only the window can do (play the selected
// row, raise, quit, open files) goes through Actions. The adaptors are its children.
class MprisService : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    struct Actions
    {
        std::function<void()> play; // resume, or start the selected (or first) row
        std::function<void()> raise;
        std::function<void()> quit;
        std::function<void(const QStringList &)> openFiles;
    };

    MprisService(PlaybackEngine *engine, Actions actions, QObject *parent = nullptr);

    // Publishes the object and takes the service name; false when the bus is not connected or
    // the name is taken (the player then runs without it).
    bool registerOn(const QDBusConnection &bus);

    // org.mpris.MediaPlayer2.Player state.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qint64 positionUs() const;
    double volume() const;
    // Values outside 0.0 to 1.0 are taken as the nearest end.
    void setVolume(double volume);
    bool canGoNext() const;
    bool canGoPrevious() const { return canGoNext(); }
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;

    // org.mpris.MediaPlayer2.Player methods.
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qint64 offsetUs);
    void setPosition(const QDBusObjectPath &trackId, qint64 positionUs);
    // A local file or sheet (file URL or absolute path); false when it names no file (a D-Bus
    // caller then gets an InvalidArgs error).
    bool openUri(const QString &uri);

    // org.mpris.MediaPlayer2 methods.
    void raise();
    void quit();

public slots:
    // The cover picture of what plays (empty: none).
    void setArtPath(const QString &path);
    // Sends PropertiesChanged for every player property that differs from the last report.
    void refresh();

signals:
    // The position jumped (a seek), in microseconds.
    void seeked(qint64 positionUs);

private:
    QVariantMap playerProperties() const;
    QDBusObjectPath trackId() const;
    QString albumOf(const QString &cuePath) const;
    void seekToMs(qint64 positionMs);

    // What the engine started last, kept as it was then: the engine names the next title
    // before the switch's fade-out has ended.
    void takeStartedTrack(const QString &path, const QString &title);

    PlaybackEngine *m_engine;
    Actions m_actions;
    QDBusConnection m_bus;
    QVariantMap m_reported;
    QString m_artPath;
    int m_trackNumber = 0; // raised at each track start: the track id
    QString m_path;
    QString m_title;
    QString m_album;
    int m_number = 0;
    qint64 m_lengthMs = 0;
    mutable QHash<QString, QString> m_albums; // sheet path -> album title
};
