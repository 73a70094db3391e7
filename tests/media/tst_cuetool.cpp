#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The quellin-cue command-line tool, run as users run it.
class CueToolTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void printsTracks();
    void exitStatus_data();
    void exitStatus();

private:
    int runTool(const QStringList &args, QByteArray *out);
    QTemporaryDir m_dir;
};

void CueToolTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFileInfo(TestSupport::binDir() + QStringLiteral("/quellin-cue")).isExecutable());
}

int CueToolTest::runTool(const QStringList &args, QByteArray *out)
{
    QProcess process;
    process.start(TestSupport::binDir() + QStringLiteral("/quellin-cue"), args);
    if (!process.waitForFinished(30000))
        return -1;
    *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void CueToolTest::printsTracks()
{
    QVERIFY(TestSupport::makeTone(m_dir.filePath(QStringLiteral("Album \"Live\".wav")), 440, 6.0));
    const QString sheet = m_dir.filePath(QStringLiteral("album.cue"));
    QVERIFY(MediaSupport::writeFile(sheet,
        QStringLiteral("FILE \"Album \"Live\".wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"Tab\there\"\n"
                       "INDEX 01 00:00:00\nTRACK 02 AUDIO\nTITLE \"Ünïcode 红豆\"\n"
                       "INDEX 01 00:02:30\n")
            .toUtf8()));
    QByteArray out;
    QCOMPARE(runTool({ sheet }, &out), 0);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    const QString audio = m_dir.filePath(QStringLiteral("Album \"Live\".wav"));
    const QJsonObject first = QJsonDocument::fromJson(lines.at(0)).object();
    const QJsonObject second = QJsonDocument::fromJson(lines.at(1)).object();
    QCOMPARE(first.keys().size(), 8);
    QCOMPARE(first.value("number").toInt(), 1);
    QCOMPARE(first.value("title").toString(), QStringLiteral("Tab\there"));
    QCOMPARE(first.value("startSeconds").toDouble(), 0.0);
    QCOMPARE(first.value("durationSeconds").toDouble(), 2.4);
    QCOMPARE(first.value("filePath").toString(), audio);
    QCOMPARE(first.value("fileType").toString(), QStringLiteral("wav"));
    QCOMPARE(first.value("wholeFile").toBool(true), false);
    QCOMPARE(first.value("cuePath").toString(), sheet);
    QCOMPARE(second.value("title").toString(), QStringLiteral("Ünïcode 红豆"));
    QCOMPARE(second.value("startSeconds").toDouble(), 2.4);
    // The last track ends where ffprobe says the album ends.
    QVERIFY(qAbs(second.value("durationSeconds").toDouble() - 3.6) < 0.001);
    // The keys come in the order of the record.
    QVERIFY(lines.at(0).startsWith("{\"number\":1,\"title\":"));
}

void CueToolTest::exitStatus_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("lines");
    QTest::newRow("no sheet") << QStringList() << 2 << 0;
    QTest::newRow("missing sheet") << QStringList { "missing.cue" } << 1 << 0;
    QTest::newRow("one good, one missing") << QStringList { "good.cue", "missing.cue" } << 1 << 1;
    QTest::newRow("sheet without tracks") << QStringList { "empty.cue" } << 1 << 0;
    // Exports print each written file (the track, then the playlist).
    QTest::newRow("export track 2")
        << QStringList { "--export", "out", "album.cue", "2" } << 0 << 2;
    QTest::newRow("export a track whose audio is missing")
        << QStringList { "--export", "out", "good.cue" } << 1 << 0;
    QTest::newRow("export an unknown track")
        << QStringList { "--export", "out", "album.cue", "7" } << 2 << 0;
}

void CueToolTest::exitStatus()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(int, lines);
    QVERIFY(MediaSupport::writeFile(
        m_dir.filePath(QStringLiteral("good.cue")), "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
    QVERIFY(MediaSupport::writeFile(m_dir.filePath(QStringLiteral("empty.cue")), ""));
    bool number = false;
    for (QString &arg : args) {
        if (!arg.startsWith(QLatin1Char('-')) && (arg.toInt(&number), !number))
            arg = m_dir.filePath(arg);
    }
    QByteArray out;
    QCOMPARE(runTool(args, &out), status);
    QCOMPARE(out.count('\n'), lines);
}

QTEST_GUILESS_MAIN(CueToolTest)
#include "tst_cuetool.moc"
