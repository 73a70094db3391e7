#pragma once

#include "media/trackinfo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class IAudioDecoder;

// Signals with known sample values, and helpers to read what a decoder or device delivers.
namespace AudioSupport {

// The 16-bit counter: frame n holds left (n mod 65536) - 32768 and right 32767 - (n mod 65536).
QString counterSource(double seconds, int sampleRate = 44100);
qint64 counterLeft(qint64 frame);
qint64 counterRight(qint64 frame);

// A 24-bit mono ramp: frame n holds ((37 n) mod 2^24) - 2^23.
QString ramp24Source(double seconds, int sampleRate = 48000);
qint32 ramp24(qint64 frame);

// Output options of a 16-bit FLAC file.
QStringList flac16();

bool writeFile(const QString &path, const QByteArray &bytes);

// Everything the decoder delivers until read() gives nothing, read in chunks of chunkBytes.
QByteArray readAll(IAudioDecoder *decoder, qint64 chunkBytes = 65536);

// Track `number` ("Track N") of a FLAC album: the range start..start+duration of path.
TrackInfo track(const QString &path, int number, double start, double duration);

// Little-endian samples of an output format (type 3: float, scaled to 32-bit integers; else
// signed of size bits) as integers.
QVector<qint64> samplesOf(const QByteArray &bytes, int type = 1, int size = 16);

} // namespace AudioSupport
