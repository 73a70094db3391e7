#include "media/trackinfo.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

bool TrackInfo::isSameTrack(const QString &playingFilePath, double playingStartSeconds) const
{
    return QFileInfo(filePath).absoluteFilePath() == QFileInfo(playingFilePath).absoluteFilePath()
        && std::abs(startSeconds - playingStartSeconds) < 0.05;
}

double cueTimeToSeconds(const QString &mmssff)
{
    const QStringList parts = mmssff.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return 0.0;
    bool okMinutes = false;
    bool okSeconds = false;
    bool okFrames = false;
    const int minutes = parts.at(0).toInt(&okMinutes, 10);
    const int seconds = parts.at(1).toInt(&okSeconds, 10);
    const int frames = parts.at(2).toInt(&okFrames, 10);
    if (!okMinutes || !okSeconds || !okFrames)
        return 0.0;
    return double(minutes) * 60.0 + double(seconds) + double(frames) / 75.0;
}

QString secondsToHMS(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0.0)
        seconds = 0.0;
    const qint64 total = qint64(seconds + 0.5);
    const qint64 hours = total / 3600;
    const qint64 minutes = (total - hours * 3600) / 60;
    const qint64 secs = total % 60;
    const QChar zero(QLatin1Char('0'));
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours, 2, 10, zero)
            .arg(minutes, 2, 10, zero)
            .arg(secs, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(minutes, 2, 10, zero).arg(secs, 2, 10, zero);
}

QString sanitizeFileName(QString name)
{
    // Compiled eagerly so that threads sharing it only ever read it.
    static const QRegularExpression forbidden = [] {
        QRegularExpression re(QStringLiteral("[\\\\/:*?\"<>|]"));
        re.optimize();
        return re;
    }();
    name.replace(forbidden, QStringLiteral("_"));
    name = name.trimmed();
    if (name.isEmpty())
        return QStringLiteral("untitled");
    return name;
}
