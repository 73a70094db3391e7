#include "ui/mainwindow/mprisservice_unix.h"

#include "audio/playbackengine.h"
#include "media/cueparser.h"
#include "ui/mainwindow/mprisplayeradaptor_unix.h"
#include "ui/mainwindow/mprisrootadaptor_unix.h"

#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {
const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString noTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
} // namespace

MprisService::MprisService(PlaybackEngine *engine, Actions actions, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_actions(std::move(actions))
    , m_bus(QString())
{
    // Metadata maps are compared to find what changed; the track id is an object path.
    if (!QMetaType::hasRegisteredComparators<QDBusObjectPath>())
        QMetaType::registerEqualsComparator<QDBusObjectPath>();
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    connect(engine, &PlaybackEngine::trackStarted, this, &MprisService::takeStartedTrack);
    connect(engine, &PlaybackEngine::playingChanged, this, &MprisService::refresh);
    connect(engine, &PlaybackEngine::progressSliderReset, this, &MprisService::refresh);
    connect(engine, &PlaybackEngine::playingRowChanged, this, &MprisService::refresh);
    connect(engine, &PlaybackEngine::volumeChanged, this, &MprisService::refresh);
}

bool MprisService::registerOn(const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return false;
    m_bus = bus;
    if (!m_bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    if (!m_bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.quellin"))) {
        m_bus.unregisterObject(objectPath);
        return false;
    }
    m_reported = playerProperties();
    return true;
}

QString MprisService::playbackStatus() const
{
    if (m_engine->isPlaying())
        return QStringLiteral("Playing");
    return m_engine->isPaused() ? QStringLiteral("Paused") : QStringLiteral("Stopped");
}

double MprisService::volume() const
{
    return m_engine->volume();
}

void MprisService::setVolume(double volume)
{
    m_engine->setVolume(volume);
}

QDBusObjectPath MprisService::trackId() const
{
    if (m_trackNumber == 0 || !(m_engine->isPlaying() || m_engine->isPaused()))
        return QDBusObjectPath(noTrack);
    return QDBusObjectPath(QStringLiteral("/org/quellin/track/%1").arg(m_trackNumber));
}

QString MprisService::albumOf(const QString &cuePath) const
{
    if (cuePath.isEmpty()
        || QFileInfo(cuePath).suffix().compare(QLatin1String("cue"), Qt::CaseInsensitive) != 0)
        return QString();
    auto cached = m_albums.constFind(cuePath);
    if (cached != m_albums.constEnd())
        return *cached;
    QString album;
    QFile file(cuePath);
    if (file.size() <= CueParser::kMaxSheetBytes && file.open(QIODevice::ReadOnly)) {
        // The album's TITLE is the one before the first TRACK.
        static const QRegularExpression line(
            QStringLiteral("^\\s*(TRACK|TITLE)\\s+(?:\"(.*)\"|(.*))$"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
        const QRegularExpressionMatch m = line.match(CueParser::decodeSheetText(file.readAll()));
        if (m.hasMatch() && m.captured(1).compare(QLatin1String("TITLE"), Qt::CaseInsensitive) == 0)
            album = (m.capturedLength(2) > 0 ? m.captured(2) : m.captured(3)).trimmed();
    }
    m_albums.insert(cuePath, album);
    return album;
}

void MprisService::takeStartedTrack(const QString &path, const QString &title)
{
    ++m_trackNumber;
    m_artPath.clear();
    m_path = path;
    m_title = title;
    m_lengthMs = m_engine->progressMaximum();
    m_album.clear();
    m_number = 0;
    const int index = m_engine->indexOfTrack(path, m_engine->trackStart());
    if (index >= 0) {
        const TrackInfo &entry = m_engine->playQueue().at(index);
        m_album = albumOf(entry.cuePath);
        m_number = entry.number;
    }
    refresh();
}

QVariantMap MprisService::metadata() const
{
    QVariantMap map;
    const QDBusObjectPath id = trackId();
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(id));
    if (id.path() == noTrack)
        return map;
    map.insert(QStringLiteral("xesam:title"), m_title);
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(m_path).toString());
    map.insert(QStringLiteral("mpris:length"), m_lengthMs * 1000);
    if (!m_album.isEmpty())
        map.insert(QStringLiteral("xesam:album"), m_album);
    if (m_number > 0)
        map.insert(QStringLiteral("xesam:trackNumber"), m_number);
    if (!m_artPath.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(m_artPath).toString());
    return map;
}

qint64 MprisService::positionUs() const
{
    if (m_engine->isPaused())
        return qMax<qint64>(
                   0, m_engine->pausedPositionMs() - qRound64(m_engine->trackStart() * 1000))
            * 1000;
    return m_engine->isPlaying() ? m_engine->positionMs() * 1000 : 0;
}

bool MprisService::canGoNext() const
{
    return !m_engine->playQueue().isEmpty();
}

bool MprisService::canPlay() const
{
    return m_engine->isPlaying() || m_engine->isPaused() || !m_engine->playQueue().isEmpty();
}

bool MprisService::canPause() const
{
    return m_engine->isPlaying() || m_engine->isPaused();
}

bool MprisService::canSeek() const
{
    return canPause() && m_engine->progressMaximum() > 0;
}

void MprisService::play()
{
    if (!m_engine->isPlaying() && m_actions.play)
        m_actions.play();
}

void MprisService::pause()
{
    if (m_engine->isPlaying())
        m_engine->pause();
}

void MprisService::playPause()
{
    if (m_engine->isPlaying())
        m_engine->pause();
    else
        play();
}

void MprisService::stop()
{
    if (m_engine->isPlaying() || m_engine->isPaused())
        m_engine->stopPlayback();
}

void MprisService::next()
{
    m_engine->playNext();
}

void MprisService::previous()
{
    m_engine->playPrevious();
}

void MprisService::seekToMs(qint64 positionMs)
{
    m_engine->onPlayProgressSliderReleased(int(positionMs));
    emit seeked(positionMs * 1000);
}

void MprisService::seek(qint64 offsetUs)
{
    if (!canSeek())
        return;
    const qint64 target = positionUs() / 1000 + offsetUs / 1000;
    // Past the end acts as Next, as MPRIS asks.
    if (target >= m_engine->progressMaximum()) {
        next();
        return;
    }
    seekToMs(qMax<qint64>(0, target));
}

void MprisService::setPosition(const QDBusObjectPath &id, qint64 positionUs)
{
    if (!canSeek() || id != trackId() || positionUs < 0
        || positionUs / 1000 > m_engine->progressMaximum())
        return;
    seekToMs(positionUs / 1000);
}

bool MprisService::openUri(const QString &uri)
{
    const QUrl url(uri);
    const QString path = url.isLocalFile() ? url.toLocalFile() : uri;
    const QFileInfo info(path);
    if (!info.isAbsolute() || !info.isFile()) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("Not a local file: ") + uri);
        return false;
    }
    if (m_actions.openFiles)
        m_actions.openFiles({ info.absoluteFilePath() });
    return true;
}

void MprisService::raise()
{
    if (m_actions.raise)
        m_actions.raise();
}

void MprisService::quit()
{
    if (m_actions.quit)
        m_actions.quit();
}

void MprisService::setArtPath(const QString &path)
{
    m_artPath = path;
    refresh();
}

QVariantMap MprisService::playerProperties() const
{
    return { { QStringLiteral("PlaybackStatus"), playbackStatus() },
        { QStringLiteral("Metadata"), metadata() }, { QStringLiteral("Volume"), volume() },
        { QStringLiteral("CanGoNext"), canGoNext() },
        { QStringLiteral("CanGoPrevious"), canGoPrevious() },
        { QStringLiteral("CanPlay"), canPlay() }, { QStringLiteral("CanPause"), canPause() },
        { QStringLiteral("CanSeek"), canSeek() } };
}

void MprisService::refresh()
{
    if (!m_bus.isConnected())
        return;
    const QVariantMap now = playerProperties();
    QVariantMap changed;
    for (auto it = now.constBegin(); it != now.constEnd(); ++it) {
        if (m_reported.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_reported = now;
    if (changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(objectPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << playerInterface << changed << QStringList();
    m_bus.send(signal);
}
