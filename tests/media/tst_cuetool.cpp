#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QtTest>

// The quellin-cue command-line tool, run as users run it.
class CueToolTest : public QObject
{
    Q_OBJECT
private slots:
    void printsTracks();
    void exitStatus_data();
    void exitStatus();

private:
    int runTool(const QStringList &args, QByteArray *out)
    {
        QProcess process;
        process.start(TestSupport::binDir() + QStringLiteral("/quellin-cue"), args);
        if (!process.waitForFinished(30000))
            return -1;
        *out = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QTemporaryDir m_dir;
};

// One JSON line per track, keys in the record's order; the last track ends where ffprobe says
// the album ends.
void CueToolTest::printsTracks()
{
    const QString audio = m_dir.filePath(QStringLiteral("Album \"Live\".wav"));
    QVERIFY(TestSupport::makeTone(audio, 440, 6.0));
    const QString sheet = m_dir.filePath(QStringLiteral("album.cue"));
    QVERIFY(MediaSupport::writeFile(sheet,
        MediaSupport::cueSheet(QFileInfo(audio).fileName(), { "Tab\there", "Ünïcode 红豆" }, 2)));
    QByteArray out;
    QCOMPARE(runTool({ sheet }, &out), 0);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(QString::fromUtf8(lines.at(0)),
        QStringLiteral("{\"number\":1,\"title\":\"Tab\\there\",\"startSeconds\":0,"
                       "\"durationSeconds\":2,\"filePath\":\"%1/Album \\\"Live\\\".wav\","
                       "\"fileType\":\"wav\",\"wholeFile\":false,\"cuePath\":\"%2\"}")
            .arg(m_dir.path(), sheet));
    const QJsonObject second = QJsonDocument::fromJson(lines.at(1)).object();
    QCOMPARE(second.value("title").toString(), QStringLiteral("Ünïcode 红豆"));
    QCOMPARE(second.value("startSeconds").toDouble(), 2.0);
    QVERIFY(qAbs(second.value("durationSeconds").toDouble() - 4.0) < 0.001);
}

void CueToolTest::exitStatus_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("lines");
    QTest::newRow("no sheet") << QStringList() << 2 << 0;
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
    QVERIFY(
        MediaSupport::writeFile(m_dir.filePath("good.cue"), "TRACK 01 AUDIO\nINDEX 01 00:00:00\n"));
    QVERIFY(MediaSupport::writeFile(m_dir.filePath("empty.cue"), ""));
    for (QString &arg : args) {
        if (arg.contains(QLatin1Char('.')) || arg == QLatin1String("out"))
            arg = m_dir.filePath(arg);
    }
    QByteArray out;
    QTEST(runTool(args, &out), "status");
    QTEST(int(out.count('\n')), "lines");
}

QTEST_GUILESS_MAIN(CueToolTest)
#include "tst_cuetool.moc"
