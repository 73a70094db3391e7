#include "app/handoffserver.h"
#include "app/singleinstance.h"
#include "support/mediasupport.h"
#include "support/testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kOpenFilesLine = QStringLiteral("**Debug** openFiles: ");

// A started program with its own per-user folders; collects what it prints.
class Instance
{
public:
    Instance(const QString &root, const QStringList &args)
    {
        QProcessEnvironment env = TestSupport::isolatedEnvironment(root);
        env.insert(QStringLiteral("QUELLIN_DEBUG"), QStringLiteral("1")); // its openFiles lines
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(TestSupport::programPath(), args);
    }
    ~Instance()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    QProcess &process() { return m_process; }

    QString output()
    {
        m_output += QString::fromUtf8(m_process.readAll());
        return m_output;
    }

    // The bodies of the openFiles lines printed so far (a body spans lines up to the next
    // "**Debug**" line or the end).
    QList<QStringList> openFilesCalls()
    {
        QList<QStringList> calls;
        const QStringList lines = output().split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            // Qt puts the logging category before the line.
            const int at = lines.at(i).indexOf(kOpenFilesLine);
            if (at < 0 || lines.at(i).contains(QLatin1String(" tracks, playing row ")))
                continue;
            QStringList paths { lines.at(i).mid(at + kOpenFilesLine.size()) };
            while (i + 1 < lines.size() && lines.at(i + 1).startsWith(QLatin1Char('/')))
                paths << lines.at(++i);
            calls << paths;
        }
        return calls;
    }

private:
    QProcess m_process;
    QString m_output;
};

bool waitFor(const std::function<bool()> &condition, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

QString touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    return QFileInfo(path).absoluteFilePath();
}
} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private:
    // Starts a first instance and waits until it listens.
    std::unique_ptr<Instance> startFirst(const QTemporaryDir &root, const QStringList &args = {})
    {
        auto first = std::make_unique<Instance>(root.path(), args);
        const QString channel = root.path() + QStringLiteral("/runtime/Quellin_IPC_Channel");
        if (!waitFor([&] { return QFile::exists(channel); }))
            return nullptr;
        return first;
    }

    int runSecond(const QTemporaryDir &root, const QStringList &args)
    {
        QProcess second;
        second.setProcessEnvironment(TestSupport::isolatedEnvironment(root.path()));
        second.start(TestSupport::programPath(), args);
        if (!second.waitForFinished(20000)) {
            second.kill();
            return -1000;
        }
        return second.exitCode();
    }

private slots:
    void fileListRules()
    {
        QTemporaryDir tmp;
        const QString a = touch(tmp.path() + QStringLiteral("/a.flac"));
        const QString b = touch(tmp.path() + QStringLiteral("/sub/b.cue"));
        const QString windowsStyle =
            QStringLiteral("  ") + tmp.path() + QStringLiteral("\\sub\\b.cue \t");
        // argv[0] is the program itself, an existing file: it is never opened.
        const QStringList args { TestSupport::programPath(), QStringLiteral("   "), a,
            tmp.path() + QStringLiteral("/missing.flac"), tmp.path(), windowsStyle, a };
        QCOMPARE(SingleInstance::buildFileList(args), (QStringList { a, b, a }));
    }

    void privateFolderFallback_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("made here") << "new" << true;
        QTest::newRow("ours, closed") << "closed" << true;
        QTest::newRow("ours, open to others") << "open" << false;
        QTest::newRow("a link to ours") << "link" << false;
        QTest::newRow("another user's") << "foreign" << false;
    }

    void privateFolderFallback()
    {
        QFETCH(QString, kind);
        QFETCH(bool, accepted);
        QTemporaryDir tmp;
        const QString path = tmp.path() + QStringLiteral("/Quellin-x");
        const QString ours = tmp.path() + QStringLiteral("/ours");
        QVERIFY(SingleInstance::makePrivateFolder(ours));
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        if (kind == QLatin1String("closed") || kind == QLatin1String("open")
            || kind == QLatin1String("foreign")) {
            QVERIFY(QDir().mkdir(path));
            const bool open = kind == QLatin1String("open");
            QVERIFY(QFile::setPermissions(path, open ? owner | QFileDevice::ReadOther : owner));
        } else if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(ours, path));
        }
        if (kind == QLatin1String("foreign")
            && !TestSupport::run(QStringLiteral("chown"), { QStringLiteral("65534"), path }))
            QSKIP("changing a folder's owner needs root");
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
        QTest::newRow("line feed in a name") << QByteArray("/m/Side A\nSong.flac\0/m/b", 24)
                                             << QStringList { "/m/Side A\nSong.flac", "/m/b" };
        QTest::newRow("utf-8") << QString("/音乐/专辑.cue").toUtf8()
                               << QStringList { "/音乐/专辑.cue" };
    }

    void messageParsing()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, paths);
        QCOMPARE(HandoffServer::parseMessage(body), paths);
    }

    void sendersTogetherAreBounded()
    {
        QTemporaryDir tmp;
        HandoffServer server(nullptr, 1000);
        const QString name = tmp.path() + QStringLiteral("/channel");
        QVERIFY(server.listen(name));
        QSignalSpy received(&server, &HandoffServer::filesReceived);
        QLocalSocket a;
        QLocalSocket b;
        for (QLocalSocket *s : { &a, &b }) {
            s->connectToServer(name);
            QVERIFY(s->waitForConnected(1000));
            s->write(QByteArray(600, 'x'));
            s->flush();
        }
        // Whichever is read second goes beyond the bound and is cut off; the other gets through.
        QTRY_VERIFY(a.state() == QLocalSocket::UnconnectedState
            || b.state() == QLocalSocket::UnconnectedState);
        QLocalSocket &kept = a.state() == QLocalSocket::UnconnectedState ? b : a;
        kept.disconnectFromServer();
        QVERIFY(received.wait(2000));
        QCOMPARE(received.first().first().toStringList(),
            QStringList { QString(600, QLatin1Char('x')) });
    }

    // The process level: the first start opens its own files once (a folder among them ignored),
    // lists and plays them and makes its databases; later starts hand their files over (nothing
    // sent for none or only missing ones, a messy path cleaned, 2000 long paths whole, in order,
    // as one call); a start whose data folder cannot be made tells why and sends nothing.
    void startsHandOver()
    {
        QTemporaryDir root;
        const QString album = root.path() + QStringLiteral("/music/CDImage.flac");
        QVERIFY(QDir().mkpath(root.path() + QStringLiteral("/music/Some Album")));
        QVERIFY(TestSupport::makeTone(album, 440, 3.0));
        const QString sheet = root.path() + QStringLiteral("/music/CDImage.cue");
        QVERIFY(
            MediaSupport::writeFile(sheet, MediaSupport::cueSheet("CDImage.flac", { "A", "B" })));
        const QString song = root.path() + QStringLiteral("/music/Some Album/01 song.flac");
        QVERIFY(TestSupport::makeTone(song, 330, 1.0));

        auto first = startFirst(root, { sheet, root.path() });
        QVERIFY(first);
        QVERIFY(waitFor([&] { return first->output().contains("2 tracks, playing row 0"); }));
        QVERIFY(QFile::exists(root.path() + QStringLiteral("/data/Quellin/Data/config.db")));
        QCOMPARE(runSecond(root, {}), 0);
        QCOMPARE(runSecond(root, { root.path() + QStringLiteral("/missing.cue") }), 0);
        const QString messy = "  " + root.path() + "\\music\\Some Album\\01 song.flac  ";
        QCOMPARE(runSecond(root, { messy, root.path() + "/nope.flac", root.path() + "/music" }), 0);
        QVERIFY(waitFor([&] { return first->output().contains("1 tracks, playing row 0"); }));
        QCOMPARE(first->openFilesCalls(), (QList<QStringList> { { sheet }, { song } }));

        QStringList files;
        const QString longPart = QString(120, QLatin1Char('x'));
        for (int i = 0; i < 2000; ++i)
            files << touch(QStringLiteral("%1/long/%2-%3.flac")
                               .arg(root.path(), longPart)
                               .arg(i, 4, 10, QLatin1Char('0')));
        QCOMPARE(runSecond(root, files), 0);
        // The log of one call is long; wait until its last line is in.
        QVERIFY(waitFor([&] { return first->output().contains(files.last()); }));
        QCOMPARE(first->openFilesCalls().size(), 3);
        QCOMPARE(first->openFilesCalls().last(), files);

        // The data folder cannot be made: a file stands where the folder would go. The message
        // waits for the user; nothing is handed over meanwhile.
        QTemporaryDir other;
        QProcessEnvironment env = TestSupport::isolatedEnvironment(other.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.path() + QStringLiteral("/runtime"));
        QVERIFY(QDir(other.path()).removeRecursively() && QDir().mkpath(other.path()));
        env.insert(
            QStringLiteral("XDG_DATA_HOME"), touch(other.path() + QStringLiteral("/blocked")));
        env.insert(QStringLiteral("QUELLIN_DEBUG"), QStringLiteral("1"));
        QProcess broken;
        broken.setProcessEnvironment(env);
        broken.setProcessChannelMode(QProcess::MergedChannels);
        broken.start(TestSupport::programPath(), { song });
        QByteArray output;
        QVERIFY(waitFor([&] {
            output += broken.readAll();
            return output.contains("**Debug** Database Error: ");
        }));
        QTest::qWait(200);
        QCOMPARE(broken.state(), QProcess::Running);
        QCOMPARE(first->openFilesCalls().size(), 3);
        QCOMPARE(first->process().state(), QProcess::Running);
        broken.kill();
        QVERIFY(broken.waitForFinished(5000));
    }
};

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
