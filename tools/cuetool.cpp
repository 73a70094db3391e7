// quellin-cue: prints what the player reads from CUE sheets, one JSON object per track and line,
// or exports a sheet's tracks as the player's export does.
#include "media/cueparser.h"
#include "media/trackexporter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cstdio>

namespace {

QString jsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString jsonNumber(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// Keys in the order of the track record, so the lines read like the record.
QString trackLine(const TrackInfo &t)
{
    return QStringLiteral("{\"number\":%1,\"title\":%2,\"startSeconds\":%3,\"durationSeconds\":%4,"
                          "\"filePath\":%5,\"fileType\":%6,\"wholeFile\":%7,\"cuePath\":%8}")
        .arg(QString::number(t.number), jsonString(t.title), jsonNumber(t.startSeconds),
            jsonNumber(t.durationSeconds), jsonString(t.filePath), jsonString(t.fileType),
            t.wholeFile ? QStringLiteral("true") : QStringLiteral("false"), jsonString(t.cuePath));
}

void printLine(FILE *stream, const QString &text)
{
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
}

// Exports the sheet's tracks (all, or those numbered) into folder through the player's own
// exporter. 0 when every track was written, 1 otherwise, 2 on bad usage.
int exportSheet(const QString &folder, const QString &sheet, const QStringList &numbers)
{
    const QVector<TrackInfo> all = CueParser::parseCueFile(sheet);
    if (all.isEmpty()) {
        printLine(stderr, QStringLiteral("quellin-cue: %1: no tracks").arg(sheet));
        return 1;
    }
    QVector<TrackInfo> tracks;
    for (const QString &number : numbers) {
        const auto it = std::find_if(all.cbegin(), all.cend(),
            [&number](const TrackInfo &t) { return QString::number(t.number) == number; });
        if (it == all.cend()) {
            printLine(stderr, QStringLiteral("quellin-cue: %1: no track %2").arg(sheet, number));
            return 2;
        }
        tracks << *it;
    }
    if (numbers.isEmpty())
        tracks = all;
    QDir().mkpath(folder);
    // The exporter's debug lines (its ffmpeg commands) would drown the tool's own.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg)
            printLine(stderr, text);
    });

    TrackExporter exporter;
    QObject::connect(&exporter, &TrackExporter::trackFinished,
        [&tracks](int index, const QString &file, const QString &failure) {
            if (failure.isEmpty())
                printLine(stdout, file);
            else
                printLine(stderr,
                    QStringLiteral("quellin-cue: %1: %2").arg(tracks.at(index).title, failure));
        });
    QObject::connect(&exporter, &TrackExporter::finished, qApp, &QCoreApplication::quit);
    if (exporter.start(tracks, folder) == TrackExporter::StartResult::FfmpegMissing) {
        printLine(stderr, QStringLiteral("quellin-cue: ") + TrackExporter::ffmpegMissingText());
        return 1;
    }
    QCoreApplication::exec();
    const TrackExporter::Result &result = exporter.result();
    if (!result.playlistPath.isEmpty())
        printLine(stdout, result.playlistPath);
    if (result.playlistFailed)
        printLine(stderr, QStringLiteral("quellin-cue: the playlist could not be written"));
    return result.writtenFiles.size() == result.total ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quellin-cue"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the tracks the player reads from each CUE sheet, one JSON object per line:\n"
        "number, title, startSeconds, durationSeconds, filePath, fileType, wholeFile, cuePath.\n"
        "The album file's length is measured with ffprobe (beside the program, else on PATH).\n"
        "Exit status: 0 when every sheet gave tracks, 1 when one did not, 2 on bad usage.\n\n"
        "With --export FOLDER SHEET [TRACK...]: writes the sheet's tracks (all, or the numbers\n"
        "given) into FOLDER as the player's export does, one line per written file on standard\n"
        "output, one per failure on standard error; exit status 0 only when all were written."));
    parser.addHelpOption();
    const QCommandLineOption exportOption(QStringLiteral("export"),
        QStringLiteral("Export the tracks of one sheet into <folder>."), QStringLiteral("folder"));
    parser.addOption(exportOption);
    parser.addPositionalArgument(
        QStringLiteral("sheet"), QStringLiteral("CUE sheets to read."), QStringLiteral("sheet..."));
    parser.process(app);
    const QStringList sheets = parser.positionalArguments();
    if (sheets.isEmpty()) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    if (parser.isSet(exportOption))
        return exportSheet(parser.value(exportOption), sheets.first(), sheets.mid(1));

    int status = 0;
    for (const QString &sheet : sheets) {
        const QVector<TrackInfo> tracks = CueParser::parseCueFile(sheet);
        if (tracks.isEmpty()) {
            const QString why = QFileInfo(sheet).isFile() ? QStringLiteral("no tracks")
                                                          : QStringLiteral("not a readable file");
            std::fprintf(stderr, "quellin-cue: %s: %s\n", QFile::encodeName(sheet).constData(),
                qPrintable(why));
            status = 1;
            continue;
        }
        for (const TrackInfo &track : tracks) {
            const QByteArray line = trackLine(track).toUtf8() + '\n';
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        }
    }
    std::fflush(stdout);
    return status;
}
