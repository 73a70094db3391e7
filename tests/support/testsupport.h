#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Helpers shared by the tests: generated audio and the built program's paths.
namespace TestSupport {

// Folder of the built program (with Data/ and translations/ beside it).
QString binDir();
QString programPath();

// Runs a program to completion (at most timeoutMs); true when it exited with 0.
bool run(const QString &program, const QStringList &args, int timeoutMs = 60000,
    QByteArray *output = nullptr);

// Generates audio with ffmpeg's lavfi sources. `source` is a lavfi graph such as
// "sine=frequency=440:sample_rate=44100:duration=2"; extra output options go before the path.
bool makeAudio(const QString &path, const QString &source, const QStringList &outputOptions = {});

// A sine tone of exact length, stereo, at the given rate.
bool makeTone(const QString &path, double frequency, double seconds, int sampleRate = 44100,
    const QStringList &outputOptions = {});

// A named pipe (FIFO) at path; false where the platform has none.
bool makeFifo(const QString &path);

// An environment whose per-user folders (data, cache, config, runtime, home) lie under root,
// so a started program touches nothing of the real user's.
QProcessEnvironment isolatedEnvironment(const QString &root);

} // namespace TestSupport

// Collects the debug lines written while it exists (one capture at a time).
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    QStringList linesStartingWith(const QString &prefix) const;
};
