#include "support/mediasupport.h"
#include "ui/views/desktopassociation.h"

#include <QTemporaryDir>
#include <QtTest>

using MediaSupport::readFile;
using MediaSupport::writeFile;

namespace {
QString entryValue(const QByteArray &entry, const QString &key)
{
    const QStringList lines = QString::fromUtf8(entry).split(QLatin1Char('\n'));
    return lines.filter(QRegularExpression("^" + key + "=")).value(0).mid(key.size() + 1);
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
    void listKeepsForeignEntries_data();
    void listKeepsForeignEntries();
    void unreadableListLeftAlone();
};

void DesktopAssociationTest::execLine_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("tryExec");
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
}

void DesktopAssociationTest::listKeepsForeignEntries_data()
{
    QTest::addColumn<QString>("before"); // empty: no list yet
    QTest::addColumn<QStringList>("listed"); // types of the added group already listed
    QTest::addColumn<QString>("after"); // %1: the lines of the other types
    QTest::newRow("no list") << "" << QStringList() << "[Added Associations]\n%1";
    QTest::newRow("the user's choices")
        << "# chosen by the user\n[Default Applications]\naudio/mpeg=vlc.desktop\n"
           "application/x-cue=other.desktop;\n\n[Added Associations]\naudio/mpeg=vlc.desktop;\n"
           "audio/ogg=quellin.desktop;vlc.desktop;\naudio/flac=other.desktop\n\n"
           "[Removed Associations]\naudio/aac=quellin.desktop;\n"
        << QStringList { "audio/mpeg", "audio/ogg", "audio/flac" }
        << "# chosen by the user\n[Default Applications]\naudio/mpeg=vlc.desktop\n"
           "application/x-cue=other.desktop;\n\n[Added Associations]\n"
           "audio/mpeg=vlc.desktop;quellin.desktop;\naudio/ogg=quellin.desktop;vlc.desktop;\n"
           "audio/flac=other.desktop;quellin.desktop;\n%1\n"
           "[Removed Associations]\naudio/aac=quellin.desktop;\n";
}

// A moved program is repointed; installing again adds nothing twice and keeps every foreign line.
void DesktopAssociationTest::listKeepsForeignEntries()
{
    QFETCH(QString, before);
    QFETCH(QStringList, listed);
    QFETCH(QString, after);
    QTemporaryDir dir;
    const QString list = dir.path() + QStringLiteral("/config/mimeapps.list");
    QVERIFY(before.isEmpty() || writeFile(list, before.toUtf8()));
    QVERIFY(associationIn(dir.path(), QStringLiteral("/opt/old/quellin")).install());
    const DesktopAssociation moved = associationIn(dir.path(), QStringLiteral("/srv/new/quellin"));
    QVERIFY(moved.install());
    QCOMPARE(readFile(moved.desktopFilePath()), moved.desktopEntry());
    QString added;
    for (const QString &type : DesktopAssociation::mimeTypes()) {
        if (!listed.contains(type))
            added += type + "=quellin.desktop;\n";
    }
    QCOMPARE(QString::fromUtf8(readFile(list)), after.arg(added));
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
