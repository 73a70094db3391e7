#include "app/handoffserver.h"
#include "app/singleinstance.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile(path).open(QIODevice::WriteOnly);
    return QFileInfo(path).absoluteFilePath();
}

// The openFiles calls a program logged: each the line's path and the path lines after it.
QList<QStringList> openFilesCalls(const QString &output)
{
    const QString mark = QStringLiteral("**Debug** openFiles: ");
    QList<QStringList> calls;
    const QStringList lines = output.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int at = lines.at(i).indexOf(mark);
        if (at < 0 || lines.at(i).contains(QLatin1String(" tracks, playing row ")))
            continue;
        QStringList paths { lines.at(i).mid(at + mark.size()) };
        while (i + 1 < lines.size() && lines.at(i + 1).startsWith(QLatin1Char('/')))
            paths << lines.at(++i);
        calls << paths;
    }
    return calls;
}
} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void fileListRules()
    {
        QTemporaryDir tmp;
        const QString a = touch(tmp.path() + QStringLiteral("/a.flac"));
        const QString b = touch(tmp.path() + QStringLiteral("/sub/b.cue"));
        const QString windowsStyle = "  " + tmp.path() + QStringLiteral("\\sub\\b.cue \t");
        // argv[0] is the program itself, an existing file: it is never opened.
        const QStringList args { TestSupport::programPath(), QStringLiteral("   "), a,
            tmp.path() + QStringLiteral("/missing.flac"), tmp.path(), windowsStyle, a };
        QCOMPARE(SingleInstance::buildFileList(args), (QStringList { a, b, a }));
    }

    void privateFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("made here") << "new" << true;
        QTest::newRow("ours, closed") << "closed" << true;
        QTest::newRow("ours, open to others") << "open" << false;
        QTest::newRow("a link to ours") << "link" << false;
    }

    void privateFolder()
    {
        QFETCH(QString, kind);
        QFETCH(bool, accepted);
        QTemporaryDir tmp;
        const QString path = tmp.path() + QStringLiteral("/Quellin-x");
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        if (kind == "link")
            QVERIFY(QFile::link(tmp.path(), path));
        else if (kind != "new")
            QVERIFY(QDir().mkdir(path)
                && QFile::setPermissions(
                    path, kind == "open" ? owner | QFileDevice::ReadOther : owner));
        QCOMPARE(SingleInstance::makePrivateFolder(path), accepted);
        if (accepted)
            QCOMPARE(QFileInfo(path).permissions() & 0x7077, owner);
    }

    void messageParsing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("empty parts and a trailing NUL")
            << QByteArray("/a\0\0/b\0", 7) << QStringList { "/a", "/b" };
        QTest::newRow("only NULs") << QByteArray(3, '\0') << QStringList();
        const char named[] = "/m/A\nB.flac\0/音乐";
        QTest::newRow("line feed in a name, utf-8")
            << QByteArray(named, sizeof(named) - 1) << QStringList { "/m/A\nB.flac", "/音乐" };
    }

    void messageParsing()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, paths);
        QCOMPARE(HandoffServer::parseMessage(body), paths);
    }

    // Two senders beyond the total bound: the one read second is cut off, the other gets through.
    void sendersTogetherAreBounded()
    {
        QTemporaryDir tmp;
        HandoffServer server(nullptr, 1000);
        const QString name = tmp.path() + QStringLiteral("/channel");
        QVERIFY(server.listen(name));
        QSignalSpy received(&server, &HandoffServer::filesReceived);
        QLocalSocket empty; // says nothing: no call
        empty.connectToServer(name);
        QVERIFY(empty.waitForConnected(1000));
        empty.disconnectFromServer();
        QLocalSocket a;
        QLocalSocket b;
        for (QLocalSocket *s : { &a, &b }) {
            s->connectToServer(name);
            QVERIFY(s->waitForConnected(1000));
            s->write(QByteArray(600, 'x'));
            s->flush();
        }
        QTRY_VERIFY(a.state() == QLocalSocket::UnconnectedState
            || b.state() == QLocalSocket::UnconnectedState);
        (a.state() == QLocalSocket::UnconnectedState ? b : a).disconnectFromServer();
        QVERIFY(received.wait(2000));
        QCOMPARE(received.first().first().toStringList(), QStringList { QString(600, 'x') });
        QCOMPARE(received.size(), 1);
    }

    // The first start opens its own files once (a folder among them ignored); later starts hand
    // theirs over (nothing for none or only missing ones, a messy path cleaned, 2000 long paths
    // whole and in order as one call) and end.
    void startsHandOver()
    {
        QTemporaryDir root;
        const QString music = root.path() + QStringLiteral("/music");
        QVERIFY(QDir().mkpath(music + QStringLiteral("/Some Album")));
        QVERIFY(TestSupport::makeTone(music + "/CDImage.flac", 440, 3.0));
        const QString sheet = music + QStringLiteral("/CDImage.cue");
        QVERIFY(
            MediaSupport::writeFile(sheet, MediaSupport::cueSheet("CDImage.flac", { "A", "B" })));
        const QString song = music + QStringLiteral("/Some Album/01 song.flac");
        QVERIFY(TestSupport::makeTone(song, 330, 1.0));

        QProcessEnvironment env = TestSupport::isolatedEnvironment(root.path());
        env.insert(QStringLiteral("QUELLIN_DEBUG"), QStringLiteral("1")); // its openFiles lines
        QProcess first;
        first.setProcessEnvironment(env);
        first.setProcessChannelMode(QProcess::MergedChannels);
        first.start(TestSupport::programPath(), { sheet, root.path() });
        QString output;
        const auto logged = [&](const QString &text) {
            output += QString::fromUtf8(first.readAll());
            return output.contains(text);
        };
        const auto runSecond = [&](const QStringList &args) {
            QProcess second;
            second.setProcessEnvironment(TestSupport::isolatedEnvironment(root.path()));
            second.start(TestSupport::programPath(), args);
            return second.waitForFinished(20000) && second.exitCode() == 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(logged("2 tracks, playing row 0"), 20000);
        QTRY_VERIFY(QFile::exists(root.path() + QStringLiteral("/runtime/Quellin_IPC_Channel")));
        QVERIFY(runSecond({}));
        QVERIFY(runSecond({ root.path() + QStringLiteral("/missing.cue") }));
        QVERIFY(runSecond({ "  " + music + "\\Some Album\\01 song.flac  ", music }));
        QTRY_VERIFY_WITH_TIMEOUT(logged("1 tracks, playing row 0"), 10000);
        QCOMPARE(openFilesCalls(output), (QList<QStringList> { { sheet }, { song } }));

        QStringList files;
        for (int i = 0; i < 2000; ++i)
            files << touch(QStringLiteral("%1/long/%2-%3.flac")
                               .arg(root.path(), QString(120, 'x'))
                               .arg(i, 4, 10, QLatin1Char('0')));
        QVERIFY(runSecond(files));
        QTRY_VERIFY_WITH_TIMEOUT(logged(files.last()), 10000);
        QCOMPARE(openFilesCalls(output).size(), 3);
        QCOMPARE(openFilesCalls(output).last(), files);
    }
};

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
