#include "media/cueparser.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

QByteArray utf16(const QString &text, bool littleEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xFF);
        bytes.append(littleEndian ? lo : hi).append(littleEndian ? hi : lo);
    }
    return bytes;
}

QString sheetText(const QString &performer, const QString &album, const QStringList &titles,
    const QString &eol = QStringLiteral("\r\n"))
{
    QString text = QStringLiteral("REM GENRE Pop") + eol + QStringLiteral("REM DATE 1999") + eol
        + QStringLiteral("PERFORMER \"%1\"").arg(performer) + eol
        + QStringLiteral("TITLE \"%1\"").arg(album) + eol
        + QStringLiteral("FILE \"%1.flac\" WAVE").arg(album) + eol;
    for (int i = 0; i < titles.size(); ++i) {
        text += QStringLiteral("  TRACK %1 AUDIO").arg(i + 1, 2, 10, QLatin1Char('0')) + eol
            + QStringLiteral("    TITLE \"%1\"").arg(titles.at(i)) + eol
            + QStringLiteral("    PERFORMER \"%1\"").arg(performer) + eol
            + QStringLiteral("    INDEX 01 %1:00:00").arg(i * 4, 2, 10, QLatin1Char('0')) + eol;
    }
    return text;
}

} // namespace

class CueParserTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void encodings_data();
    void encodings();
    void structure_data();
    void structure();
    void unreadable_data();
    void unreadable();
    void realProbe();
    void conversions_data();
    void conversions();
    void sameTrack_data();
    void sameTrack();

private:
    QString writeSheet(const QByteArray &bytes);

    QTemporaryDir m_dir;
    // No tools unless a test brings them: no test waits on a probe it does not look at.
    std::unique_ptr<MediaSupport::FakeTools> m_tools;
    int m_sheets = 0;
};

void CueParserTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void CueParserTest::init()
{
    m_tools.reset(); // before the next one takes over the tool folder
    m_tools = std::make_unique<MediaSupport::FakeTools>();
}

QString CueParserTest::writeSheet(const QByteArray &bytes)
{
    // The "/./" shows that every track keeps the sheet path exactly as it was passed.
    const QString path = m_dir.path() + QStringLiteral("/./sheet%1.cue").arg(++m_sheets);
    if (!MediaSupport::writeFile(path, bytes))
        return QString();
    return path;
}

void CueParserTest::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("album");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("locale");
    // A sheet in a code page: performer, album and its "/"-separated titles.
    const auto legacy = [](const char *name, const char *codec, const QString &performer,
                            const QString &album, const QString &titles, const char *locale) {
        const QStringList list = titles.split('/');
        QTest::newRow(name) << QTextCodec::codecForName(codec)->fromUnicode(
            sheetText(performer, album, list))
                            << album << list << QString(locale);
    };

    const QString latinAlbum = QStringLiteral("Déjà Vu");
    const QStringList latin = QStringLiteral("Noël à Paris/Ça ira/Über alles").split('/');
    const QString zhAlbum = QStringLiteral("唱游");
    const QStringList zh = QStringLiteral("打错了/催眠/人间/红豆").split('/');
    const QString text = sheetText(QStringLiteral("Éric"), latinAlbum, latin);
    const QString zhText = sheetText(QStringLiteral("王菲"), zhAlbum, zh);

    QTest::newRow("UTF-8, no mark, CR LF line ends") << text.toUtf8() << latinAlbum << latin << "";
    QTest::newRow("LF line ends") << text.toUtf8().replace("\r\n", "\n") << latinAlbum << latin
                                  << "";
    QTest::newRow("CR line ends") << text.toUtf8().replace("\r\n", "\r") << latinAlbum << latin
                                  << "";
    QTest::newRow("UTF-8, mark, FILE on the first line")
        << QByteArray("\xEF\xBB\xBF")
            + "FILE \"Déjà Vu.flac\" WAVE\nTRACK 01 AUDIO\nTITLE \"Noël\"\n"
        << latinAlbum << QStringList { "Noël" } << "";
    // A short text that uchardet takes for a Central European code page: the legacy decoding
    // scores as well as UTF-8, and UTF-8 wins the tie.
    QTest::newRow("UTF-8 tie with the legacy decoding")
        << QByteArray("FILE \"a.flac\" WAVE\nTRACK 01 AUDIO\nTITLE \"Caf\xC3\xA9\"\n") << "a"
        << QStringList { QStringLiteral("Café") } << "";
    QTest::newRow("UTF-16LE, mark") << "\xFF\xFE" + utf16(text, true) << latinAlbum << latin << "";
    QTest::newRow("UTF-16BE, mark") << "\xFE\xFF" + utf16(text, false) << latinAlbum << latin << "";
    QTest::newRow("UTF-16LE, no mark") << utf16(text, true) << latinAlbum << latin << "";
    QTest::newRow("UTF-16BE, no mark") << utf16(text, false) << latinAlbum << latin << "";
    QTest::newRow("UTF-16LE, no mark, Chinese") << utf16(zhText, true) << zhAlbum << zh << "";
    QTest::newRow("UTF-16BE, no mark, Chinese") << utf16(zhText, false) << zhAlbum << zh << "";

    legacy("GBK", "GBK", "王菲", zhAlbum, zh.join('/'), "");
    legacy("Big5", "Big5", "鄧麗君", "淡淡幽情", "獨上西樓/但願人長久/幾多愁/芳草無情", "");
    legacy("Shift_JIS", "Shift_JIS", "宇多田ヒカル", "ファースト・ラブ",
        "オートマティック/甘いワナ/時間はかかるけど/Never Let Go", "");
    legacy(
        "EUC-KR", "EUC-KR", "아이유", "꽃갈피", "나의 옛날이야기/꽃/사랑이 지나가면/너의 의미", "");
    legacy("windows-1251", "windows-1251", "Кино", "Группа крови",
        "Группа крови/Закрой за мной дверь/Война/Спокойная ночь", "");
    // Short sheets: uchardet's guess yields to the code page of the user's language when
    // that reads well; a sheet in another code page keeps the guess.
    legacy("short GBK, Chinese user", "GBK", "王菲", zhAlbum, "催眠/红豆", "zh_CN");
    legacy("Big5, Chinese (simplified) user", "Big5", "鄧麗君", "淡淡幽情",
        "獨上西樓/但願人長久/幾多愁/芳草無情", "zh_CN");
    QTest::newRow("one-title GBK, Chinese user") << QTextCodec::codecForName("GBK")->fromUnicode(
        QStringLiteral("FILE \"唱游.flac\" WAVE\nTRACK 01 AUDIO\nTITLE \"红豆\"\n"))
                                                 << zhAlbum << QStringList { "红豆" } << "zh_CN";
}

void CueParserTest::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, album);
    QFETCH(QStringList, titles);
    QFETCH(QString, locale);
    QLocale::setDefault(locale.isEmpty() ? QLocale::c() : QLocale(locale));
    const QString sheet = writeSheet(bytes);
    const QVector<TrackInfo> tracks = CueParser::parseCueFile(sheet);
    QLocale::setDefault(QLocale::c());
    QStringList got;
    for (const TrackInfo &t : tracks) {
        got << t.title;
        QCOMPARE(t.filePath, QDir(m_dir.path()).absoluteFilePath(album + QStringLiteral(".flac")));
    }
    QCOMPARE(got, titles);
}

void CueParserTest::structure_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("probes");

    const QString dir = QDir(m_dir.path()).absolutePath() + QLatin1Char('/');
    // The fake probe measures every album file as 100 s long.
    QTest::newRow("album")
        << "REM GENRE Rock\nPERFORMER \"Band\"\nTITLE \"Album\"\nFILE \"Album Name.wav\" WAVE\n"
           "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
           "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 00 00:30:00\n    INDEX 01 00:32:15\n"
           "  TRACK 03 AUDIO\n    TITLE \"Three\"\n    INDEX 01 01:10:00\n"
        << QStringList { "1|One|0|32.2|Album Name.wav|wav", "2|Two|32.2|37.8|Album Name.wav|wav",
               "3|Three|70|30|Album Name.wav|wav" }
        << 1;
    QTest::newRow("per file")
        << "TITLE \"Album\"\nFILE \"01 One.flac\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"One\"\n"
           "    INDEX 01 00:00:00\nFILE \"02 Two.mp3\" MP3\n  TRACK 02 AUDIO\n    TITLE \"Two\"\n"
           "    INDEX 01 00:00:00\nFILE \"03 Three\" WAVE\n  TRACK 03 AUDIO\n"
        << QStringList { "1|01 One.flac|0|0|01 One.flac|flac|whole",
               "2|02 Two.mp3|0|0|02 Two.mp3|mp3|whole", "3|03 Three|0|0|03 Three|wave|whole" }
        << 0;
    QTest::newRow("audio and binary files: album mode, the first file plays")
        << "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE \"data.bin\" BINARY\n"
           "TRACK 02 MODE1/2352\nINDEX 01 00:50:00\n"
        << QStringList { "1|Track 1|0|50|a.wav|wav", "2|Track 2|50|50|a.wav|wav" } << 1;
    QTest::newRow("typographic quotes and quotes inside")
        << QString::fromUtf8("FILE \xE2\x80\x9CMy \"Best\" Album.flac\xE2\x80\x9D WAVE\n"
                             "TRACK 1 AUDIO\nINDEX 01 00:00:00\n")
        << QStringList { "1|Track 1|0|100|My \"Best\" Album.flac|flac" } << 1;
    QTest::newRow("unquoted words, lower-case keyword, no suffix")
        << "file   My    Album   wave\nTRACK 07 AUDIO\nINDEX 01 00:00:00\n"
        << QStringList { "7|Track 7|0|100|My Album|wave" } << 1;
    QTest::newRow("absolute name")
        << "FILE \"/music/x/album.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        << QStringList { "1|Track 1|0|100|/music/x/album.ape|ape" } << 1;
    QTest::newRow("quoted name without type: no file")
        << "FILE \"album.flac\"\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
           "INDEX 01 00:10:00\n"
        << QStringList { "1|Track 1|0|10||", "2|Track 2|10|0||" } << 0;
    QTest::newRow("single bare word: no file")
        << "FILE album.flac\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        << QStringList { "1|Track 1|0|0||" } << 0;
    QTest::newRow("titles") << "TITLE \"Album title is not a track's\"\nFILE \"a.flac\" WAVE\n"
                               "TRACK 01 AUDIO\n  TITLE   Bare words here  \n"
                               "TRACK 02 AUDIO\n  TITLE \"\"\n"
                               "TRACK 03 AUDIO\n  TITLE \"Say \"Hi\" now\"\n"
                               "TRACK 04 AUDIO\n  TITLE \"First\"\n  TITLE \"Second\"\n"
                               "TRACK 05 AUDIO\n"
                            << QStringList { "1|Bare words here|0|0|a.flac|flac",
                                   "2|Track 2|0|0|a.flac|flac", "3|Say \"Hi\" now|0|0|a.flac|flac",
                                   "4|Second|0|0|a.flac|flac", "5|Track 5|0|100|a.flac|flac" }
                            << 1;
    QTest::newRow("index forms and equal starts")
        << "FILE \"a.flac\" WAVE\n"
           "TRACK 01 AUDIO\n INDEX 00 00:05:00\n" // INDEX 00 never sets a start
           "TRACK 02 AUDIO\n INDEX 1 00:10:00\n" // INDEX 1 counts
           "TRACK 03 AUDIO\n INDEX 01 00:20:00 trailing\n" // text after the stamp
           "TRACK 04 AUDIO\n INDEX 01 00:20:00\n" // same start as track 3
           "TRACK 05 AUDIO\n INDEX 01 00:30:00\n INDEX 01 00:40:00\n" // the later one holds
           "TRACK 06 AUDIO\n INDEX 01 1:00:00\n" // one-digit minutes do not match
        << QStringList { "1|Track 1|0|10|a.flac|flac", "2|Track 2|10|10|a.flac|flac",
               "3|Track 3|20|0|a.flac|flac", "4|Track 4|20|20|a.flac|flac",
               "5|Track 5|40|0|a.flac|flac", "6|Track 6|0|100|a.flac|flac" }
        << 1;
    QTest::newRow("track lines")
        << "FILE \"a.wav\" WAVE\nTRACK 05\nTRACK 99999999999 AUDIO\nTITLE \"Big\"\n"
           "INDEX 01 00:01:00\n"
        << QStringList { "0|Big|1|99|a.wav|wav" } << 1;
    QTest::newRow("no FILE line")
        << "TRACK 01 AUDIO\nTITLE \"A\"\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:03:00\n"
        << QStringList { "1|A|0|3||", "2|Track 2|3|0||" } << 0;
    QTest::newRow("empty file") << "" << QStringList() << 0;

    // Sheets made on Windows, long albums, discs as files, a pipe in place of the album.
    QVERIFY(QDir(dir).mkpath("CD1") && MediaSupport::writeFile(dir + "CD1/01 Intro.flac", "x")
        && MediaSupport::writeFile(dir + "album.flac", "x")
        && TestSupport::makeFifo(dir + "pipe.flac"));
    QTest::newRow("backslash and letter case")
        << "FILE \"CD1\\01 Intro.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
           "FILE \"cd1\\01 INTRO.FLAC\" WAVE\nTRACK 02 AUDIO\nINDEX 01 00:00:00\n"
           "FILE \"ALBUM.FLAC\" WAVE\nTRACK 03 AUDIO\nINDEX 01 00:00:00\n"
           "FILE \"CD2\\gone.flac\" WAVE\nTRACK 04 AUDIO\nINDEX 01 00:00:00\n"
        << QStringList { "1|01 Intro.flac|0|0|CD1/01 Intro.flac|flac|whole",
               "2|01 Intro.flac|0|0|CD1/01 Intro.flac|flac|whole",
               "3|album.flac|0|0|album.flac|flac|whole",
               "4|CD2\\gone.flac|0|0|CD2\\gone.flac|flac|whole" }
        << 0;
    QTest::newRow("minutes beyond 99")
        << "FILE \"Album.FLAC\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
           "TRACK 02 AUDIO\nINDEX 01 100:10:00\nTRACK 03 AUDIO\nINDEX 01 1000:00:00\n"
        << QStringList { "1|Track 1|0|6010|album.flac|flac", "2|Track 2|6010|53990|album.flac|flac",
               "3|Track 3|60000|0|album.flac|flac" }
        << 1;
    // Track 3's pregap ends disc 1; it plays from disc 2, where its INDEX 01 is.
    QTest::newRow("two discs")
        << "FILE \"CD1.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
           "TRACK 02 AUDIO\nINDEX 01 00:40:00\nTRACK 03 AUDIO\nINDEX 00 01:30:00\n"
           "FILE \"CD2.wav\" WAVE\nINDEX 01 00:00:00\nTRACK 04 AUDIO\nINDEX 01 00:30:00\n"
        << QStringList { "1|Track 1|0|40|CD1.flac|flac", "2|Track 2|40|60|CD1.flac|flac",
               "3|Track 3|0|30|CD2.wav|wav", "4|Track 4|30|70|CD2.wav|wav" }
        << 2;
    QTest::newRow("one file per track, pregaps at the end of the file before")
        << "FILE \"01.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
           "INDEX 00 03:00:00\nFILE \"02.wav\" WAVE\nINDEX 01 00:00:00\n"
        << QStringList { "1|01.wav|0|0|01.wav|wav|whole", "2|02.wav|0|0|02.wav|wav|whole" } << 0;
    QTest::newRow("a pipe named as the album is never probed")
        << "FILE \"pipe.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        << QStringList { "1|Track 1|0|0|pipe.flac|flac" } << 0;
}

// Each track as "number|title|start|duration|file|type[|whole]", the file relative to the sheet.
void CueParserTest::structure()
{
    QFETCH(QString, sheet);
    QFETCH(int, probes);
    MediaSupport::FakeTool probe;
    probe.output = QStringLiteral("100.000000\n");
    QVERIFY(m_tools->add(QStringLiteral("ffprobe"), probe));

    const QString path = writeSheet(sheet.toUtf8());
    const QString dir = QDir(m_dir.path()).absolutePath() + QLatin1Char('/');
    QStringList got;
    for (const TrackInfo &t : CueParser::parseCueFile(path)) {
        const QString file = t.filePath.startsWith(dir) ? t.filePath.mid(dir.size()) : t.filePath;
        got << QStringList { QString::number(t.number), t.title,
            QString::number(t.startSeconds, 'g', 10), QString::number(t.durationSeconds, 'g', 10),
            file, t.fileType }
                    .join('|')
                + (t.wholeFile ? "|whole" : "");
        QCOMPARE(t.cuePath, path);
    }
    QTEST(got, "expected");
    QCOMPARE(m_tools->calls().size(), probes);
}

void CueParserTest::unreadable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("folder") << "folder";
    QTest::newRow("random bytes") << "random";
    QTest::newRow("larger than any sheet") << "huge";
}

void CueParserTest::unreadable()
{
    QFETCH(QString, kind);
    QString path = m_dir.filePath(QStringLiteral("odd-%1.cue").arg(kind));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("random")) {
        QRandomGenerator random(20240601);
        QByteArray bytes(8192, '\0');
        std::generate(bytes.begin(), bytes.end(), [&random] { return char(random.bounded(256)); });
        QVERIFY(MediaSupport::writeFile(path, bytes));
    } else if (kind == QLatin1String("huge")) {
        QVERIFY(MediaSupport::writeFile(path, "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\n"));
        QVERIFY(QFile::resize(path, CueParser::kMaxSheetBytes + 1));
    }
    QVERIFY(CueParser::parseCueFile(path).isEmpty());
}

void CueParserTest::realProbe()
{
    m_tools.reset();
    const QString audio = m_dir.filePath(QStringLiteral("CDImage.wav"));
    QVERIFY(TestSupport::makeTone(audio, 440, 24.0));
    QString text = QStringLiteral("FILE \"CDImage.wav\" WAVE\n");
    for (int i = 0; i < 12; ++i)
        text += QStringLiteral("TRACK %1 AUDIO\nINDEX 01 00:%2:00\n")
                    .arg(i + 1)
                    .arg(i * 2, 2, 10, QLatin1Char('0'));
    const QVector<TrackInfo> tracks = CueParser::parseCueFile(writeSheet(text.toUtf8()));
    QCOMPARE(tracks.size(), 12);
    for (const TrackInfo &t : tracks) {
        QCOMPARE(t.filePath, QFileInfo(audio).absoluteFilePath());
        QVERIFY2(qAbs(t.durationSeconds - 2.0) < 0.001, qPrintable(QString::number(t.number)));
    }
}

void CueParserTest::conversions_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *kind, const char *name, const QString &in, const QString &out) {
        QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(kind, name))) << kind << in << out;
    };
    // Sheet stamps in seconds (10 digits); nothing for a malformed one.
    row("time", "two-digit minutes", "03:25:37", "205.4933333");
    row("time", "one-digit minutes", "3:25:37", "205.4933333");
    row("time", "no range test", "99:99:99", "6040.32");
    row("time", "long minutes", "120:00:00", "7200");
    row("time", "two parts", "03:25", "0");
    row("time", "four parts", "00:03:25:37", "0");
    row("time", "letter", "03:2a:37", "0");
    row("time", "empty part", "1::2", "0");
    row("time", "empty text", "", "0");
    row("hms", "zero", "0", "00:00");
    row("hms", "below half", "59.49", "00:59");
    row("hms", "half goes up", "59.5", "01:00");
    row("hms", "last below an hour", "3599.4", "59:59");
    row("hms", "rounds to an hour", "3599.5", "01:00:00");
    row("hms", "hundred hours", "360000", "100:00:00");
    row("name", "slash colon question", "AC/DC: Live?", "AC_DC_ Live_");
    row("name", "all nine", "\\/:*?\"<>|", "_________");
    row("name", "blanks only", "   ", "untitled");
    row("name", "empty", "", "untitled");
    row("name", "trimmed", "  Song  ", "Song");
    row("name", "others untouched", "a.b,c;d'e\tf.", "a.b,c;d'e\tf.");
    row("name", "non-latin", "红豆 / Hóng Dòu", "红豆 _ Hóng Dòu");
}

void CueParserTest::conversions()
{
    QFETCH(QString, kind);
    QFETCH(QString, input);
    const QString got = kind == "time" ? QString::number(cueTimeToSeconds(input), 'g', 10)
        : kind == "hms"                ? secondsToHMS(input.toDouble())
                                       : sanitizeFileName(input);
    QTEST(got, "expected");
}

void CueParserTest::sameTrack_data()
{
    const QString album = QDir::current().absoluteFilePath(QStringLiteral("album.flac"));
    QTest::addColumn<QString>("trackPath");
    QTest::addColumn<double>("trackStart");
    QTest::addColumn<QString>("playingPath");
    QTest::addColumn<double>("playingStart");
    QTest::addColumn<bool>("same");
    QTest::newRow("equal") << album << 65.0 << album << 65.0 << true;
    QTest::newRow("just inside") << album << 0.0 << album << 0.0499 << true;
    QTest::newRow("at the limit") << album << 0.0 << album << 0.05 << false;
    QTest::newRow("earlier start") << album << 65.0 << album << 64.9 << false;
    QTest::newRow("relative path of the same file") << "album.flac" << 0.0 << album << 0.0 << true;
    QTest::newRow("other file") << album << 0.0
                                << QDir::current().absoluteFilePath(QStringLiteral("other.flac"))
                                << 0.0 << false;
}

void CueParserTest::sameTrack()
{
    QFETCH(QString, trackPath);
    QFETCH(double, trackStart);
    QFETCH(QString, playingPath);
    QFETCH(double, playingStart);
    QFETCH(bool, same);
    TrackInfo track;
    track.filePath = trackPath;
    track.startSeconds = trackStart;
    QCOMPARE(track.isSameTrack(playingPath, playingStart), same);
}

QTEST_GUILESS_MAIN(CueParserTest)
#include "tst_cueparser.moc"
