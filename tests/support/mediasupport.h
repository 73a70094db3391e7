#pragma once

#include "media/trackinfo.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Stand-ins for ffprobe/ffmpeg that record how they were called, files, tracks and audio.
namespace MediaSupport {

struct FakeTool
{
    QString output; // printed on standard output
    int exitCode = 0;
    int sleepSeconds = 0; // sleeps after printing (to run into time limits)
    QByteArray writeLastArgument; // when not empty, written to the file named by the last argument
};

// A fake ffmpeg in folder that writes `writes` to its last argument, sleeps, then exits with
// exitCode; the program then finds only the tools of that folder. Calls go to recordFile.
bool useFakeFfmpeg(const QString &folder, const QByteArray &writes, int exitCode, int sleepSeconds,
    const QString &recordFile);

// While it exists the program finds only the stand-ins added to a folder of its own (none at
// first: no tools at all); calls() lists every call made to them, oldest first.
class FakeTools
{
public:
    FakeTools();
    ~FakeTools();
    bool add(const QString &name, const FakeTool &behaviour);
    QList<QStringList> calls() const;
    void clearCalls();

private:
    QTemporaryDir m_dir;
};

// A sheet of one album file with a track per title, the tracks secondsApart apart.
QByteArray cueSheet(const QString &audioName, const QStringList &titles, int secondsApart = 1);

// The argument lists recorded so far, one per call, oldest first.
QList<QStringList> recordedCalls(const QString &recordFile);

// Writes the file, making its folder first when missing; the file's bytes (empty when it cannot
// be read); the names of the plain files in folder, sorted.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);
QStringList fileNames(const QString &folder);

// A track of a range of file; its type is the file's suffix in lower case unless given.
TrackInfo rangeTrack(const QString &title, const QString &file, double start, double duration,
    const QString &type = QString());
// A whole-file track, titled with the file's name unless given.
TrackInfo wholeTrack(const QString &file, const QString &title = QString());

// A stereo FLAC tone of the given length carrying a 32x32 attached picture of one colour
// (an ffmpeg colour name such as "red").
bool makeFlacWithPicture(const QString &path, const QString &colour, double seconds);

} // namespace MediaSupport
