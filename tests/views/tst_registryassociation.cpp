#include "support/registrysupport.h"
#include "ui/views/fileassociation.h"
#include "ui/views/registryassociation.h"

#include <QtTest>

namespace {
const QString kExe = QStringLiteral("quellin.exe");
const QString kPath = QStringLiteral("C:\\Program Files\\Quellin\\quellin.exe");
const QString kMoved = QStringLiteral("D:\\Apps\\Quellin\\quellin.exe");
const QString kClasses = QStringLiteral("Software\\Classes\\");
const QString kFileExts =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\");
const QString kAppPaths =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");

bool runAt(MemoryRegistry &registry, const QString &path)
{
    RegistryAssociation association(registry, QStringLiteral("Quellin"), kExe, path);
    return association.run();
}

QStringList writesOnly(const QStringList &log)
{
    QStringList writes;
    for (const QString &line : log) {
        if (line.startsWith(QLatin1String("set ")) || line.startsWith(QLatin1String("none ")))
            writes << line;
    }
    return writes;
}
} // namespace

class RegistryAssociationTest : public QObject
{
    Q_OBJECT
private slots:
    void registeredValues_data();
    void registeredValues();
    void writeOrderOfOneExtension();
    void secondRunLeavesSameState();
    void movedProgramRepointsEverything();
    void foreignProgIdOverwrittenOtherProgramKept();
    void staleEntriesRemoved();
    void failedWriteEndsOnlyThatExtension();
};

void RegistryAssociationTest::registeredValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    const QString command = QStringLiteral("\"C:\\Program Files\\Quellin\\quellin.exe\" \"%1\"");
    const QString icon = kPath + QStringLiteral(",0");
    QTest::newRow("class default") << kClasses + ".flac"
                                   << ""
                                   << "sz:Quellin.flac";
    QTest::newRow("progid") << kClasses + "Quellin.flac"
                            << ""
                            << "sz:Quellin Media File";
    QTest::newRow("progid icon") << kClasses + "Quellin.flac\\DefaultIcon"
                                 << ""
                                 << "sz:" + icon;
    QTest::newRow("progid command") << kClasses + "Quellin.flac\\shell\\open\\command"
                                    << ""
                                    << "sz:" + command;
    QTest::newRow("open with") << kClasses + ".flac\\OpenWithProgids"
                               << "Quellin.flac"
                               << "none:";
    QTest::newRow("explorer open with") << kFileExts + ".flac\\OpenWithProgids"
                                        << "Quellin.flac"
                                        << "none:";
    QTest::newRow("application") << kClasses + "Applications\\quellin.exe"
                                 << ""
                                 << "sz:Quellin";
    QTest::newRow("application command")
        << kClasses + "Applications\\quellin.exe\\shell\\open\\command"
        << ""
        << "sz:" + command;
    QTest::newRow("application icon") << kClasses + "Applications\\quellin.exe\\DefaultIcon"
                                      << ""
                                      << "sz:" + icon;
    QTest::newRow("supported cue") << kClasses + "Applications\\quellin.exe\\SupportedTypes"
                                   << ".cue"
                                   << "none:";
    QTest::newRow("app path") << kAppPaths + "quellin.exe"
                              << ""
                              << "sz:" + kPath;
}

void RegistryAssociationTest::registeredValues()
{
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    MemoryRegistry registry;
    QVERIFY(runAt(registry, kPath));
    QVERIFY2(registry.hasValue(key, name), qPrintable(key));
    const MemoryRegistry::Value value = registry.value(key, name);
    const QString type = value.type == IRegistry::ValueType::String ? QStringLiteral("sz:")
                                                                    : QStringLiteral("none:");
    QCOMPARE(type + value.text, expected);
}

void RegistryAssociationTest::writeOrderOfOneExtension()
{
    MemoryRegistry registry;
    QVERIFY(runAt(registry, kPath));
    const QString command = QStringLiteral("\"C:\\Program Files\\Quellin\\quellin.exe\" \"%1\"");
    const QString icon = kPath + QStringLiteral(",0");
    const QString app = kClasses + QStringLiteral("Applications\\quellin.exe");
    const QStringList expected {
        "set " + kClasses + ".wav|=Quellin.wav",
        "set " + kClasses + "Quellin.wav|=Quellin Media File",
        "set " + kClasses + "Quellin.wav\\DefaultIcon|=" + icon,
        "set " + kClasses + "Quellin.wav\\shell\\open\\command|=" + command,
        "none " + kClasses + ".wav\\OpenWithProgids|Quellin.wav",
        "none " + kFileExts + ".wav\\OpenWithProgids|Quellin.wav",
        "set " + app + "|=Quellin",
        "set " + app + "\\shell\\open\\command|=" + command,
        "set " + app + "\\DefaultIcon|=" + icon,
        "none " + app + "\\SupportedTypes|.wav",
        "set " + kAppPaths + "quellin.exe|=" + kPath,
    };
    const QStringList writes = writesOnly(registry.log);
    QCOMPARE(FileAssociation::extensions().size(), 20);
    QCOMPARE(writes.size(), 11 * 20);
    QCOMPARE(writes.mid(0, 11), expected);
    // The clean-up of every extension comes before the first registration write.
    const int firstWrite = registry.log.indexOf(expected.first());
    QCOMPARE(registry.log.mid(firstWrite).filter(QStringLiteral("deltree")).size(), 0);
    QCOMPARE(registry.log.first(), "deltree " + app);
}

void RegistryAssociationTest::secondRunLeavesSameState()
{
    MemoryRegistry registry;
    QVERIFY(runAt(registry, kPath));
    const auto once = registry.snapshot();
    QVERIFY(runAt(registry, kPath));
    QCOMPARE(registry.snapshot(), once);
}

void RegistryAssociationTest::movedProgramRepointsEverything()
{
    MemoryRegistry moved;
    QVERIFY(runAt(moved, kPath));
    QVERIFY(runAt(moved, kMoved));
    MemoryRegistry fresh;
    QVERIFY(runAt(fresh, kMoved));
    QCOMPARE(moved.snapshot(), fresh.snapshot());
    const auto values = moved.snapshot().values();
    for (const QString &text : values)
        QVERIFY2(!text.contains(QStringLiteral("Program Files")), qPrintable(text));
}

void RegistryAssociationTest::foreignProgIdOverwrittenOtherProgramKept()
{
    MemoryRegistry registry;
    using T = IRegistry::ValueType;
    registry.putValue(kClasses + ".mp3", QString(), T::String, QStringLiteral("Other.mp3"));
    registry.putValue(kClasses + "Other.mp3\\shell\\open\\command", QString(), T::String,
        QStringLiteral("other.exe \"%1\""));
    registry.putValue(kClasses + ".mp3\\OpenWithProgids", QStringLiteral("Other.mp3"), T::None, {});
    registry.putValue(kFileExts + ".mp3\\UserChoice", QStringLiteral("ProgId"), T::String,
        QStringLiteral("Other.mp3"));
    QVERIFY(runAt(registry, kPath));

    // The clean-up pass never empties a default that is not ours.
    const int firstWrite =
        registry.log.indexOf(QRegularExpression(QStringLiteral("(set|none) .*")));
    QVERIFY(!registry.log.mid(0, firstWrite).contains("set " + kClasses + ".mp3|="));
    QCOMPARE(registry.value(kClasses + ".mp3", QString()).text, QStringLiteral("Quellin.mp3"));
    QVERIFY(registry.hasValue(kClasses + "Other.mp3\\shell\\open\\command", QString()));
    QVERIFY(registry.hasValue(kClasses + ".mp3\\OpenWithProgids", QStringLiteral("Other.mp3")));
    QVERIFY(registry.hasValue(kClasses + ".mp3\\OpenWithProgids", QStringLiteral("Quellin.mp3")));
    QCOMPARE(registry.value(kFileExts + ".mp3\\UserChoice", QStringLiteral("ProgId")).text,
        QStringLiteral("Other.mp3"));
}

void RegistryAssociationTest::staleEntriesRemoved()
{
    MemoryRegistry registry;
    using T = IRegistry::ValueType;
    // Left by an older build: an extra verb, an extension no longer registered by that name,
    // and an application entry with a type the program dropped.
    registry.putValue(kClasses + "Quellin.flac\\shell\\edit\\command", QString(), T::String,
        QStringLiteral("old"));
    registry.putValue(kClasses + "Applications\\quellin.exe\\SupportedTypes",
        QStringLiteral(".xyz"), T::None, {});
    registry.putValue(kClasses + ".wav", QString(), T::Other, QStringLiteral("binary"));
    QVERIFY(runAt(registry, kPath));
    QVERIFY(!registry.hasKey(kClasses + "Quellin.flac\\shell\\edit"));
    QVERIFY(!registry.hasValue(
        kClasses + "Applications\\quellin.exe\\SupportedTypes", QStringLiteral(".xyz")));
    QCOMPARE(registry.value(kClasses + ".wav", QString()).text, QStringLiteral("Quellin.wav"));

    // Our own default is emptied by the clean-up before it is written again.
    registry.log.clear();
    QVERIFY(runAt(registry, kPath));
    const int clear = registry.log.indexOf("set " + kClasses + ".flac|=");
    const int write = registry.log.indexOf("set " + kClasses + ".flac|=Quellin.flac");
    QVERIFY(clear >= 0);
    QVERIFY(clear < write);
}

void RegistryAssociationTest::failedWriteEndsOnlyThatExtension()
{
    MemoryRegistry registry;
    registry.failWritesTo(kClasses + "Quellin.flac\\DefaultIcon");
    QVERIFY(!runAt(registry, kPath));

    QCOMPARE(registry.value(kClasses + ".flac", QString()).text, QStringLiteral("Quellin.flac"));
    QVERIFY(registry.hasValue(kClasses + "Quellin.flac", QString()));
    QVERIFY(!registry.hasKey(kClasses + "Quellin.flac\\shell\\open\\command"));
    QVERIFY(
        !registry.hasValue(kClasses + ".flac\\OpenWithProgids", QStringLiteral("Quellin.flac")));
    QVERIFY(!registry.hasValue(
        kClasses + "Applications\\quellin.exe\\SupportedTypes", QStringLiteral(".flac")));

    const QStringList writes = writesOnly(registry.log);
    const int failed = writes.indexOf(QRegularExpression(QStringLiteral(".* FAILED")));
    QCOMPARE(failed, 11 + 2);
    QVERIFY(writes.at(failed + 1).startsWith("set " + kClasses + ".aac|="));
    for (const QString &ext : FileAssociation::extensions()) {
        if (ext != QLatin1String("flac"))
            QVERIFY(
                registry.hasValue(kFileExts + '.' + ext + "\\OpenWithProgids", "Quellin." + ext));
    }
}

QTEST_APPLESS_MAIN(RegistryAssociationTest)
#include "tst_registryassociation.moc"
