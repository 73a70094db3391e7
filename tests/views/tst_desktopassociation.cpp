#include "support/mediasupport.h"
#include "support/testsupport.h"
#include "ui/views/desktopassociation.h"
#include "ui/views/fileassociation.h"

#include <QDirIterator>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using MediaSupport::readFile;
using MediaSupport::writeFile;

namespace {
// Every file under root, by relative path.
QMap<QString, QByteArray> tree(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(root).relativeFilePath(path), file.readAll());
    }
    return files;
}

QString entryValue(const QByteArray &entry, const QString &key)
{
    const QString prefix = key + QLatin1Char('=');
    const QStringList lines = QString::fromUtf8(entry).split(QLatin1Char('\n'));
    const auto line = std::find_if(
        lines.begin(), lines.end(), [&](const QString &l) { return l.startsWith(prefix); });
    return line == lines.end() ? QString() : line->mid(prefix.size());
}

DesktopAssociation associationIn(const QString &root, const QString &program)
{
    return DesktopAssociation(QStringLiteral("Quellin"), program, root + QStringLiteral("/data"),
        root + QStringLiteral("/config"));
}
} // namespace

class DesktopAssociationTest : public QObject
{
    Q_OBJECT
private slots:
    void execLine_data();
    void execLine();
    void entryPassesValidator();
    void mimeTypesCoverEveryExtension();
    void installedEntryMatchesUserEntry();
    void filesWritten();
    void rerunsAndMovesLeaveOneEntry();
    void foreignDefaultKept();
    void unreadableListLeftAlone();
};

void DesktopAssociationTest::execLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("tryExec");
    QTest::newRow("plain") << "/opt/q/quellin"
                           << "\"/opt/q/quellin\" %F"
                           << "/opt/q/quellin";
    QTest::newRow("space") << "/a b/quellin"
                           << "\"/a b/quellin\" %F"
                           << "/a b/quellin";
    QTest::newRow("percent") << "/x/100%/q"
                             << "\"/x/100%%/q\" %F"
                             << "/x/100%/q";
    QTest::newRow("dollar quote") << "/x/$a\"b/q"
                                  << "\"/x/\\\\$a\\\\\"b/q\" %F"
                                  << "/x/$a\"b/q";
    QTest::newRow("backslash") << "/x/a\\b/q"
                               << "\"/x/a\\\\\\\\b/q\" %F"
                               << "/x/a\\\\b/q";
}

void DesktopAssociationTest::execLine()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QFETCH(QString, tryExec);
    const QByteArray entry = associationIn(QStringLiteral("/tmp/none"), program).desktopEntry();
    QCOMPARE(entryValue(entry, QStringLiteral("Exec")), exec);
    QCOMPARE(entryValue(entry, QStringLiteral("TryExec")), tryExec);
    QCOMPARE(entryValue(entry, QStringLiteral("Icon")), QStringLiteral("quellin"));
}

void DesktopAssociationTest::entryPassesValidator()
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quellin.desktop"));
    QVERIFY(writeFile(
        path, associationIn(dir.path(), QStringLiteral("/opt/a b/quellin")).desktopEntry()));
    QByteArray output;
    QVERIFY2(TestSupport::run(validator, { path }, 30000, &output), output.constData());
    QVERIFY2(output.trimmed().isEmpty(), output.constData());
}

// Each extension the system's MIME database knows must map to a listed type or a subtype of one.
void DesktopAssociationTest::mimeTypesCoverEveryExtension()
{
    const QStringList types = DesktopAssociation::mimeTypes();
    QCOMPARE(types.size(), QSet<QString>(types.begin(), types.end()).size());
    QVERIFY(types.contains(QStringLiteral("application/x-cue")));
    QMimeDatabase db;
    const QStringList extensions = FileAssociation::extensions();
    for (const QString &ext : extensions) {
        const QMimeType type =
            db.mimeTypeForFile(QStringLiteral("x.") + ext, QMimeDatabase::MatchExtension);
        if (type.isDefault())
            continue;
        bool covered = false;
        for (const QString &listed : types)
            covered = covered || type.inherits(listed);
        QVERIFY2(covered, qPrintable(ext + QStringLiteral(" -> ") + type.name()));
    }
}

// The entry that `cmake --install` puts in the menu differs from the user's only in the program
// path.
void DesktopAssociationTest::installedEntryMatchesUserEntry()
{
    const QByteArray launcher = "/usr/local/bin/quellin";
    QByteArray installed =
        readFile(QStringLiteral(QUELLIN_SOURCE_DIR "/resources/quellin.desktop.in"));
    QVERIFY(!installed.isEmpty());
    installed.replace("@QUELLIN_LAUNCHER@", launcher);
    QCOMPARE(installed, associationIn(QStringLiteral("/tmp/none"), launcher).desktopEntry());
}

void DesktopAssociationTest::filesWritten()
{
    QTemporaryDir dir;
    const DesktopAssociation association =
        associationIn(dir.path(), QStringLiteral("/opt/q/quellin"));
    QVERIFY(association.install());

    QCOMPARE(association.desktopFilePath(), dir.path() + "/data/applications/quellin.desktop");
    const QByteArray entry = readFile(association.desktopFilePath());
    QCOMPARE(entry, association.desktopEntry());
    QCOMPARE(entryValue(entry, QStringLiteral("MimeType")).split(';', Qt::SkipEmptyParts),
        DesktopAssociation::mimeTypes());

    QImage icon(dir.path() + "/data/icons/hicolor/256x256/apps/quellin.png");
    QCOMPARE(icon.size(), QSize(256, 256));

    const QString list = QString::fromUtf8(readFile(dir.path() + "/config/mimeapps.list"));
    QVERIFY(list.startsWith(QStringLiteral("[Added Associations]\n")));
    for (const QString &type : DesktopAssociation::mimeTypes())
        QVERIFY2(list.contains('\n' + type + "=quellin.desktop;\n"), qPrintable(type));
    QVERIFY(!list.contains(QStringLiteral("[Default Applications]")));

    if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty()) {
        const QByteArray cache = readFile(dir.path() + "/data/applications/mimeinfo.cache");
        QVERIFY2(cache.contains("application/x-cue=quellin.desktop;"), cache.constData());
    }
}

// A moved program is repointed as if installed fresh; a second run changes nothing.
void DesktopAssociationTest::rerunsAndMovesLeaveOneEntry()
{
    QTemporaryDir moved;
    QTemporaryDir fresh;
    const QByteArray list = "[Added Associations]\naudio/flac=other.desktop\n";
    QVERIFY(writeFile(moved.path() + "/config/mimeapps.list", list));
    QVERIFY(writeFile(fresh.path() + "/config/mimeapps.list", list));
    QVERIFY(associationIn(moved.path(), QStringLiteral("/opt/old/quellin")).install());
    QVERIFY(associationIn(moved.path(), QStringLiteral("/srv/new place/quellin")).install());
    const auto files = tree(moved.path());
    QVERIFY(associationIn(moved.path(), QStringLiteral("/srv/new place/quellin")).install());
    QCOMPARE(tree(moved.path()), files);
    QVERIFY(associationIn(fresh.path(), QStringLiteral("/srv/new place/quellin")).install());
    QCOMPARE(files, tree(fresh.path()));
    for (const QByteArray &bytes : files)
        QVERIFY(!bytes.contains("/opt/old"));
    QVERIFY(files.value("config/mimeapps.list")
                .contains("audio/flac=other.desktop;quellin.desktop;\n"));
}

void DesktopAssociationTest::foreignDefaultKept()
{
    QTemporaryDir dir;
    const QByteArray before = "# chosen by the user\n"
                              "[Default Applications]\n"
                              "audio/mpeg=vlc.desktop\n"
                              "application/x-cue=other.desktop;\n"
                              "\n"
                              "[Added Associations]\n"
                              "audio/mpeg=vlc.desktop;\n"
                              "audio/ogg=quellin.desktop;vlc.desktop;\n"
                              "\n"
                              "[Removed Associations]\n"
                              "audio/aac=quellin.desktop;\n";
    QVERIFY(writeFile(dir.path() + "/config/mimeapps.list", before));
    QVERIFY(associationIn(dir.path(), QStringLiteral("/opt/q/quellin")).install());

    QString added;
    for (const QString &type : DesktopAssociation::mimeTypes()) {
        if (type != "audio/mpeg" && type != "audio/ogg")
            added += type + "=quellin.desktop;\n";
    }
    QCOMPARE(QString::fromUtf8(readFile(dir.path() + "/config/mimeapps.list")),
        QString::fromUtf8(before)
            .replace("audio/ogg=quellin.desktop;vlc.desktop;\n",
                "audio/ogg=quellin.desktop;vlc.desktop;\n" + added)
            .replace("audio/mpeg=vlc.desktop;\n", "audio/mpeg=vlc.desktop;quellin.desktop;\n"));
}

void DesktopAssociationTest::unreadableListLeftAlone()
{
    QTemporaryDir dir;
    const QByteArray broken = "[Added Associations]\naudio/mpeg=\xff\xfe.desktop\n";
    QVERIFY(writeFile(dir.path() + "/config/mimeapps.list", broken));
    const DesktopAssociation association =
        associationIn(dir.path(), QStringLiteral("/opt/q/quellin"));
    QVERIFY(!association.install());
    QCOMPARE(readFile(dir.path() + "/config/mimeapps.list"), broken);
    QVERIFY(QFile::exists(association.desktopFilePath()));
}

QTEST_MAIN(DesktopAssociationTest)
#include "tst_desktopassociation.moc"
