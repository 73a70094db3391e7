#include "media/cueparser.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QtTest>

namespace {

QString sheetText(const QString &performer, const QString &album, const QStringList &titles)
{
    QString text = QStringLiteral("REM GENRE Pop\r\nPERFORMER \"%1\"\r\nTITLE \"%2\"\r\n"
                                  "FILE \"%2.flac\" WAVE\r\n")
                       .arg(performer, album);
    for (int i = 0; i < titles.size(); ++i)
        text += QStringLiteral("  TRACK %1 AUDIO\r\n    TITLE \"%2\"\r\n    INDEX 01 %3:00:00\r\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(titles.at(i))
                    .arg(i * 4, 2, 10, QLatin1Char('0'));
    return text;
}

} // namespace

class CueParserTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init()
    {
        m_tools.reset(); // before the next one takes over the tool folder
        m_tools = std::make_unique<MediaSupport::FakeTools>();
    }
    void encodings_data();
    void encodings();
    void structure_data();
    void structure();
    void unreadable();
    void conversions();

private:
    QString writeSheet(const QByteArray &bytes);

    QTemporaryDir m_dir;
    // No tools unless a test brings them: no test waits on a probe it does not look at.
    std::unique_ptr<MediaSupport::FakeTools> m_tools;
    int m_sheets = 0;
};

QString CueParserTest::writeSheet(const QByteArray &bytes)
{
    // The "/./" shows that every track keeps the sheet path exactly as it was passed.
    const QString path = m_dir.path() + QStringLiteral("/./sheet%1.cue").arg(++m_sheets);
    return MediaSupport::writeFile(path, bytes) ? path : QString();
}

void CueParserTest::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("album");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("locale");
    // A sheet in an encoding: performer, album and its "/"-separated titles. Qt's UTF-16
    // encoders write a byte order mark; `skip` drops it.
    const auto row = [](const char *name, const char *codec, const QString &performer,
                         const QString &album, const QString &titles, const char *locale = "",
                         int skip = 0) {
        const QStringList list = titles.split('/');
        QTest::newRow(name) << QTextCodec::codecForName(codec)
                                   ->fromUnicode(sheetText(performer, album, list))
                                   .mid(skip)
                            << album << list << QString(locale);
    };
    const QString latin = QStringLiteral("Noël à Paris/Ça ira/Über alles");
    const QString zh = QStringLiteral("打错了/催眠/人间/红豆");
    const QByteArray text = sheetText("Éric", "Déjà Vu", latin.split('/')).toUtf8();

    QTest::newRow("UTF-8, CR line ends")
        << QByteArray(text).replace("\r\n", "\r") << "Déjà Vu" << latin.split('/') << "";
    QTest::newRow("UTF-8, mark, FILE on the first line")
        << QByteArray("\xEF\xBB\xBF")
            + "FILE \"Déjà Vu.flac\" WAVE\nTRACK 01 AUDIO\nTITLE \"Noël\"\n"
        << "Déjà Vu" << QStringList { "Noël" } << "";
    // uchardet takes this for a Central European code page that scores as well: UTF-8 wins ties.
    QTest::newRow("UTF-8 tie with the legacy decoding")
        << QByteArray("FILE \"a.flac\" WAVE\nTRACK 01 AUDIO\nTITLE \"Caf\xC3\xA9\"\n") << "a"
        << QStringList { QStringLiteral("Café") } << "";
    row("UTF-16LE, mark", "UTF-16LE", "Éric", "Déjà Vu", latin);
    row("UTF-16BE, mark", "UTF-16BE", "Éric", "Déjà Vu", latin);
    row("UTF-16LE, no mark", "UTF-16LE", "Éric", "Déjà Vu", latin, "", 2);
    row("UTF-16BE, no mark", "UTF-16BE", "Éric", "Déjà Vu", latin, "", 2);
    row("UTF-16LE, no mark, Chinese", "UTF-16LE", "王菲", "唱游", zh, "", 2);
    row("UTF-16BE, no mark, Chinese", "UTF-16BE", "王菲", "唱游", zh, "", 2);
    row("GBK", "GBK", "王菲", "唱游", zh);
    row("EUC-KR", "EUC-KR", "아이유", "꽃갈피", "나의 옛날이야기/꽃/사랑이 지나가면/너의 의미");
    row("windows-1251", "windows-1251", "Кино", "Группа крови",
        "Группа крови/Закрой за мной дверь/Война/Спокойная ночь");
    // Short sheets: uchardet's guess yields to the code page of the user's language when that
    // reads well; a sheet in another code page keeps the guess.
    row("short GBK, Chinese user", "GBK", "王菲", "唱游", "催眠/红豆", "zh_CN");
    row("Big5, Chinese (simplified) user", "Big5", "鄧麗君", "淡淡幽情",
        "獨上西樓/但願人長久/幾多愁/芳草無情", "zh_CN");
    row("Shift_JIS, Chinese user", "Shift_JIS", "宇多田ヒカル", "ファースト・ラブ",
        "オートマティック/甘いワナ/時間はかかるけど/Never Let Go", "zh_CN");
    QTest::newRow("one-title GBK, Chinese user") << QTextCodec::codecForName("GBK")->fromUnicode(
        QStringLiteral("FILE \"唱游.flac\" WAVE\nTRACK 01 AUDIO\nTITLE \"红豆\"\n"))
                                                 << "唱游" << QStringList { "红豆" } << "zh_CN";
}

void CueParserTest::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, album);
    QFETCH(QString, locale);
    QLocale::setDefault(locale.isEmpty() ? QLocale::c() : QLocale(locale));
    const QVector<TrackInfo> tracks = CueParser::parseCueFile(writeSheet(bytes));
    QLocale::setDefault(QLocale::c());
    QStringList got;
    for (const TrackInfo &t : tracks) {
        got << t.title;
        QCOMPARE(t.filePath, QDir(m_dir.path()).absoluteFilePath(album + QStringLiteral(".flac")));
    }
    QTEST(got, "titles");
}

void CueParserTest::structure_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("probes");

    // The fake probe measures every album file as 100 s long.
    QTest::newRow("album")
        << "REM GENRE Rock\nPERFORMER \"Band\"\nTITLE \"Album\"\nFILE \"Album Name.wav\" WAVE\n"
           "  TRACK 01 AUDIO\n    TITLE \"One\"\n    INDEX 01 00:00:00\n"
           "  TRACK 02 AUDIO\n    TITLE \"Two\"\n    INDEX 00 00:30:00\n    INDEX 01 00:32:15\n"
           "  TRACK 03 AUDIO\n    TITLE \"Three\"\n    INDEX 01 01:10:00\n"
        << QStringList { "1|One|0|32.2|Album Name.wav|wav", "2|Two|32.2|37.8|Album Name.wav|wav",
               "3|Three|70|30|Album Name.wav|wav" }
        << 1;
    // Track 2's pregap ends the file before: one track per file all the same.
    QTest::newRow("per file")
        << "TITLE \"Album\"\nFILE \"01 One.flac\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"One\"\n"
           "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 03:00:00\nFILE \"02 Two\" WAVE\n"
           "    INDEX 01 00:00:00\n"
        << QStringList { "1|01 One.flac|0|0|01 One.flac|flac|whole",
               "2|02 Two|0|0|02 Two|wave|whole" }
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
    QTest::newRow("FILE lines without a type: no file")
        << "FILE \"album.flac\"\nFILE album.flac\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
           "TRACK 02 AUDIO\nINDEX 01 00:10:00\n"
        << QStringList { "1|Track 1|0|10||", "2|Track 2|10|0||" } << 0;
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
           "TRACK 02 AUDIO\n INDEX 1 00:10:00\n"
           "TRACK 03 AUDIO\n INDEX 01 00:20:00 trailing\n"
           "TRACK 04 AUDIO\n INDEX 01 00:20:00\n"
           "TRACK 05 AUDIO\n INDEX 01 00:30:00\n INDEX 01 00:40:00\n" // the later one holds
           "TRACK 06 AUDIO\n INDEX 01 1:00:00\n" // one-digit minutes do not match
        << QStringList { "1|Track 1|0|10|a.flac|flac", "2|Track 2|10|10|a.flac|flac",
               "3|Track 3|20|0|a.flac|flac", "4|Track 4|20|20|a.flac|flac",
               "5|Track 5|40|0|a.flac|flac", "6|Track 6|0|100|a.flac|flac" }
        << 1;

    // Sheets made on Windows, long albums, discs as files, a pipe in place of the album.
    const QString dir = QDir(m_dir.path()).absolutePath() + QLatin1Char('/');
    QVERIFY(MediaSupport::writeFile(dir + "CD1/01 Intro.flac", "x")
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
    QTest::newRow("a pipe named as the album is never probed")
        << "FILE \"pipe.flac\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
        << QStringList { "1|Track 1|0|0|pipe.flac|flac" } << 0;
}

// Each track as "number|title|start|duration|file|type[|whole]", the file relative to the sheet.
void CueParserTest::structure()
{
    QFETCH(QString, sheet);
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
    QTEST(m_tools->calls().size(), "probes");
}

// Nothing comes of a missing sheet, a folder, random bytes or a file larger than any sheet.
void CueParserTest::unreadable()
{
    QVERIFY(CueParser::parseCueFile(m_dir.filePath(QStringLiteral("missing.cue"))).isEmpty());
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("folder.cue"))));
    QVERIFY(CueParser::parseCueFile(m_dir.filePath(QStringLiteral("folder.cue"))).isEmpty());
    QRandomGenerator random(20240601);
    QByteArray bytes(8192, '\0');
    std::generate(bytes.begin(), bytes.end(), [&random] { return char(random.bounded(256)); });
    QVERIFY(CueParser::parseCueFile(writeSheet(bytes)).isEmpty());
    const QString huge = writeSheet("FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\n");
    QVERIFY(QFile::resize(huge, CueParser::kMaxSheetBytes + 1));
    QVERIFY(CueParser::parseCueFile(huge).isEmpty());
}

// Sheet stamps in seconds (10 digits), nothing for a malformed one; lengths shown rounded.
void CueParserTest::conversions()
{
    QStringList got;
    for (const char *stamp : { "03:25:37", "3:25:37", "99:99:99", "120:00:00", "03:25",
             "00:03:25:37", "03:2a:37", "1::2" })
        got << QString::number(cueTimeToSeconds(stamp), 'g', 10);
    QCOMPARE(
        got, QStringList({ "205.4933333", "205.4933333", "6040.32", "7200", "0", "0", "0", "0" }));
    QCOMPARE(QStringList({ secondsToHMS(59.49), secondsToHMS(59.5), secondsToHMS(3599.5),
                 secondsToHMS(360000) }),
        QStringList({ "00:59", "01:00", "01:00:00", "100:00:00" }));
}

QTEST_GUILESS_MAIN(CueParserTest)
#include "tst_cueparser.moc"
