// quellin-cue: prints what the player reads from CUE sheets, one JSON object per track and line.
#include "media/cueparser.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
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
        "Exit status: 0 when every sheet gave tracks, 1 when one did not, 2 on bad usage."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("sheet"), QStringLiteral("CUE sheets to read."), QStringLiteral("sheet..."));
    parser.process(app);
    const QStringList sheets = parser.positionalArguments();
    if (sheets.isEmpty()) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }

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
