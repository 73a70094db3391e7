#include "media/mediatools.h"

#include "media/trackinfo.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>

namespace {

const int kProbeTimeoutMs = 10000;
const int kStreamListTimeoutMs = 8000;
const int kExtractTimeoutMs = 10000;

struct ToolOverride
{
    QMutex mutex;
    QString folder;
};

ToolOverride &toolOverride()
{
    static ToolOverride instance;
    return instance;
}

QString overrideFolder()
{
    ToolOverride &o = toolOverride();
    QMutexLocker lock(&o.mutex);
    return o.folder;
}

QString toolPath(const QString &name)
{
    const QString forced = overrideFolder();
    const QString beside = forced.isEmpty() ? QCoreApplication::applicationDirPath() : forced;
    const QString found = QStandardPaths::findExecutable(name, { beside });
    if (!found.isEmpty())
        return found;
    if (forced.isEmpty()) {
        const QString onPath = QStandardPaths::findExecutable(name);
        if (!onPath.isEmpty())
            return onPath;
    }
    return QDir(beside).absoluteFilePath(name);
}

// Runs program to its end within timeoutMs (start included); standard error is dropped.
// False when it could not start or did not finish in time, in which case it is killed.
bool runTool(const QString &program, const QStringList &args, int timeoutMs, QByteArray *output)
{
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args, QIODevice::ReadWrite);
    if (!process.waitForStarted(timeoutMs))
        return false;
    const int left = int(qMax<qint64>(1, timeoutMs - clock.elapsed()));
    if (!process.waitForFinished(left)) {
        process.kill();
        process.waitForFinished(2000);
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// Index among the video streams of the first attached picture, or -1.
int attachedPictureIndex(const QByteArray &json)
{
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return -1;
    const QJsonArray streams = doc.object().value(QStringLiteral("streams")).toArray();
    int videoIndex = 0;
    for (const QJsonValue &value : streams) {
        const QJsonObject stream = value.toObject();
        if (stream.value(QStringLiteral("codec_type")).toString() != QLatin1String("video"))
            continue;
        const QJsonValue attached = stream.value(QStringLiteral("disposition"))
                                        .toObject()
                                        .value(QStringLiteral("attached_pic"));
        if (attached.isDouble() && attached.toDouble() == 1.0)
            return videoIndex;
        ++videoIndex;
    }
    return -1;
}

QString coverInFolder(const QDir &dir)
{
    static const char *const names[] = { "cover.png", "cover.jpg", "cover.jpeg", "folder.jpg" };
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const char *name : names) {
        const auto hit = std::find_if(files.cbegin(), files.cend(), [name](const QFileInfo &file) {
            return file.fileName().compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
        });
        if (hit != files.cend())
            return hit->absoluteFilePath();
    }
    return QString();
}

} // namespace

QString MediaTools::ffprobePath()
{
    return toolPath(QStringLiteral("ffprobe"));
}

QString MediaTools::ffmpegPath()
{
    return toolPath(QStringLiteral("ffmpeg"));
}

QString MediaTools::toolFolder()
{
    const QString forced = overrideFolder();
    return QDir::toNativeSeparators(
        forced.isEmpty() ? QCoreApplication::applicationDirPath() : forced);
}

void MediaTools::setToolFolderOverride(const QString &folder)
{
    ToolOverride &o = toolOverride();
    QMutexLocker lock(&o.mutex);
    o.folder = folder;
}

double MediaTools::probeMediaDurationSeconds(const QString &mediaPath)
{
    if (isSpecialFile(mediaPath))
        return 0.0;
    const QString probe = ffprobePath();
    if (!QFileInfo::exists(probe))
        return 0.0;
    const QStringList args { QStringLiteral("-v"), QStringLiteral("error"),
        QStringLiteral("-show_entries"), QStringLiteral("format=duration"), QStringLiteral("-of"),
        QStringLiteral("default=noprint_wrappers=1:nokey=1"), mediaPath };
    QByteArray output;
    if (!runTool(probe, args, kProbeTimeoutMs, &output))
        return 0.0;
    bool ok = false;
    const double seconds = QString::fromUtf8(output).trimmed().toDouble(&ok);
    // A length is finite and not negative, whatever a broken tool prints.
    if (!ok || !std::isfinite(seconds) || seconds < 0.0)
        return 0.0;
    return seconds;
}

bool MediaTools::isSpecialFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

QString MediaTools::coverCacheFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/covers");
}

QString MediaTools::extractEmbeddedCover(const QString &mediaPath)
{
    if (isSpecialFile(mediaPath))
        return QString();
    const QString probe = ffprobePath();
    const QString ffmpeg = ffmpegPath();
    if (!QFileInfo::exists(probe) || !QFileInfo::exists(ffmpeg))
        return QString();

    QByteArray listing;
    if (!runTool(probe,
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
                QStringLiteral("json"), QStringLiteral("-show_streams"), mediaPath },
            kStreamListTimeoutMs, &listing))
        return QString();
    const int pictureIndex = attachedPictureIndex(listing);
    if (pictureIndex < 0)
        return QString();

    // Albums are often all called "CDImage.flac": each source file gets its own folder, named
    // by its absolute path, so one album never gets another's picture.
    const QByteArray key = QFileInfo(mediaPath).absoluteFilePath().toUtf8();
    const QString folder = coverCacheFolder() + QLatin1Char('/')
        + QString::fromLatin1(
            QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
    if (!QDir().mkpath(folder))
        return QString();
    const QString baseName = sanitizeFileName(QFileInfo(mediaPath).completeBaseName());
    const QString target =
        folder + QLatin1Char('/') + baseName + QStringLiteral(".embedded_cover.png");

    // ffmpeg writes a private file that then replaces the target in one step, so extractions of
    // the same file running at once never see a half-written or deleted picture.
    QTemporaryFile scratch(folder + QStringLiteral("/extract-XXXXXX.png"));
    if (!scratch.open())
        return QString();
    scratch.close();
    const QStringList args { QStringLiteral("-y"), QStringLiteral("-i"), mediaPath,
        QStringLiteral("-map"), QStringLiteral("0:v:%1").arg(pictureIndex),
        QStringLiteral("-frames:v"), QStringLiteral("1"), scratch.fileName() };
    if (!runTool(ffmpeg, args, kExtractTimeoutMs, nullptr))
        return QString();
    if (!scratch.open())
        return QString();
    const QByteArray png = scratch.readAll();
    if (png.isEmpty())
        return QString();
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(png) != png.size() || !out.commit())
        return QString();
    return target;
}

QString MediaTools::findCoverFile(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    const QDir dir(QDir::toNativeSeparators(folder));
    if (!dir.exists())
        return QString();
    const QString direct = coverInFolder(dir);
    if (!direct.isEmpty())
        return direct;
    const QFileInfoList subfolders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    const auto artwork =
        std::find_if(subfolders.cbegin(), subfolders.cend(), [](const QFileInfo &sub) {
            return sub.fileName().compare(QLatin1String("Artwork"), Qt::CaseInsensitive) == 0;
        });
    return artwork == subfolders.cend() ? QString()
                                        : coverInFolder(QDir(artwork->absoluteFilePath()));
}

QString MediaTools::lookupCover(const QString &folder, const QString &file)
{
    const QString found = findCoverFile(folder);
    if (!found.isEmpty())
        return found;
    const QFileInfo info(file);
    if (!file.isEmpty() && info.isFile())
        return extractEmbeddedCover(info.absoluteFilePath());
    return QString();
}
