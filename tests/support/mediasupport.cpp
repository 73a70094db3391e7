#include "support/mediasupport.h"

#include "media/mediatools.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace MediaSupport {

namespace {
    QString shellQuote(const QString &text)
    {
        QString quoted = text;
        quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
        return QLatin1Char('\'') + quoted + QLatin1Char('\'');
    }

    // An executable shell script folder/name behaving as told. Each call appends one line to
    // recordFile: its arguments, each ended by the unit separator (0x1F).
    bool makeFakeTool(const QString &folder, const QString &name, const FakeTool &behaviour,
        const QString &recordFile)
    {
        const QString base = QDir(folder).absoluteFilePath(name);
        if (!writeFile(base + QStringLiteral(".out"), behaviour.output.toUtf8()))
            return false;
        if (!behaviour.writeLastArgument.isEmpty()
            && !writeFile(base + QStringLiteral(".payload"), behaviour.writeLastArgument))
            return false;
        QString script = QStringLiteral("#!/bin/sh\n{ for a in \"$@\"; do printf '%s\\037' \"$a\"; "
                                        "done; printf '\\n'; } >> %1\ncat %2\n")
                             .arg(shellQuote(recordFile), shellQuote(base + ".out"));
        if (!behaviour.writeLastArgument.isEmpty())
            script += QStringLiteral("for last in \"$@\"; do :; done; cat %1 > \"$last\"\n")
                          .arg(shellQuote(base + ".payload"));
        if (behaviour.sleepSeconds > 0)
            script += QStringLiteral("exec sleep %1\n").arg(behaviour.sleepSeconds);
        script += QStringLiteral("exit %1\n").arg(behaviour.exitCode);
        return writeFile(base, script.toUtf8())
            && QFile::setPermissions(
                base, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
} // namespace

QList<QStringList> recordedCalls(const QString &recordFile)
{
    QList<QStringList> calls;
    for (const QByteArray &line : readFile(recordFile).split('\n')) {
        if (!line.isEmpty())
            calls << QString::fromUtf8(line.chopped(1)).split(QChar(0x1F));
    }
    return calls;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool makeFlacWithPicture(const QString &path, const QString &colour, double seconds)
{
    QTemporaryDir scratch;
    const QString picture = scratch.filePath(QStringLiteral("picture.png"));
    return TestSupport::makeAudio(picture, "color=c=" + colour + ":s=32x32", { "-frames:v", "1" })
        && TestSupport::run(QStringLiteral("ffmpeg"),
            { "-v", "error", "-y", "-f", "lavfi", "-i",
                QStringLiteral("sine=frequency=440:duration=%1").arg(seconds), "-i", picture,
                "-map", "0:a", "-map", "1:v", "-ac", "2", "-c:a", "flac", "-c:v", "png",
                "-disposition:v", "attached_pic", path });
}

FakeTools::FakeTools()
{
    QDir().mkpath(m_dir.filePath(QStringLiteral("bin")));
    MediaTools::setToolFolderOverride(m_dir.filePath(QStringLiteral("bin")));
}

FakeTools::~FakeTools()
{
    MediaTools::setToolFolderOverride(QString());
}

bool FakeTools::add(const QString &name, const FakeTool &behaviour)
{
    return makeFakeTool(m_dir.filePath(QStringLiteral("bin")), name, behaviour,
        m_dir.filePath(QStringLiteral("calls")));
}

QList<QStringList> FakeTools::calls() const
{
    return recordedCalls(m_dir.filePath(QStringLiteral("calls")));
}

void FakeTools::clearCalls()
{
    QFile::remove(m_dir.filePath(QStringLiteral("calls")));
}

QByteArray cueSheet(const QString &audioName, const QStringList &titles, int secondsApart)
{
    QString text = QStringLiteral("FILE \"%1\" WAVE\n").arg(audioName);
    for (int i = 0; i < titles.size(); ++i) {
        const int at = i * secondsApart;
        text += QStringLiteral("  TRACK %1 AUDIO\n    TITLE \"%2\"\n    INDEX 01 %3:%4:00\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(titles.at(i))
                    .arg(at / 60, 2, 10, QLatin1Char('0'))
                    .arg(at % 60, 2, 10, QLatin1Char('0'));
    }
    return text.toUtf8();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList fileNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

TrackInfo rangeTrack(
    const QString &title, const QString &file, double start, double duration, const QString &type)
{
    TrackInfo t;
    t.title = title;
    t.filePath = file;
    t.startSeconds = start;
    t.durationSeconds = duration;
    t.fileType = type.isEmpty() ? QFileInfo(file).suffix().toLower() : type;
    return t;
}

TrackInfo wholeTrack(const QString &file, const QString &title)
{
    TrackInfo t = rangeTrack(title.isEmpty() ? QFileInfo(file).fileName() : title, file, 0, 0);
    t.wholeFile = true;
    return t;
}

bool useFakeFfmpeg(const QString &folder, const QByteArray &writes, int exitCode, int sleepSeconds,
    const QString &recordFile)
{
    if (!makeFakeTool(folder, QStringLiteral("ffmpeg"),
            FakeTool { QString(), exitCode, sleepSeconds, writes }, recordFile))
        return false;
    MediaTools::setToolFolderOverride(folder);
    return true;
}

} // namespace MediaSupport
