#include "app/apputils.h"
#include "app/csapp.h"
#include "support/testapp.h"

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

class tst_AppUtils : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ApplicationBase::setInstance(new CSApp); }
    void cleanupTestCase() { ApplicationBase::deleteInstance(); }

    void styleSheets_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("reload");
        QTest::addColumn<QString>("rule"); // empty: no such file
        QTest::newRow("without reload: the first widget only")
            << "mainwindow.css" << false << "#btnPlayMusic";
        QTest::newRow("with reload: each widget")
            << "messageboxview.css" << true << "#pnDialogPanel";
        QTest::newRow("missing: the common part") << "nosuch.css" << true << "";
    }

    // The common sheet comes first; the owner is the widget that got the sheet last.
    void styleSheets()
    {
        QFETCH(QString, file);
        QFETCH(bool, reload);
        QFETCH(QString, rule);
        QWidget first;
        QWidget second;
        applyStyleSheet(&first, file, reload);
        applyStyleSheet(&second, file, reload);
        const QString common = ApplicationBase::instance()->commonStyleSheet() + "\r\n";
        QVERIFY(first.styleSheet().startsWith(common));
        QCOMPARE(first.styleSheet().contains(rule), true);
        QCOMPARE(first.styleSheet() == common, rule.isEmpty());
        QCOMPARE(second.styleSheet(), reload ? first.styleSheet() : QString());
        if (!rule.isEmpty())
            QCOMPARE(styleSheetOwner(file), reload ? &second : &first);
    }

    void readTextFileAndMakePath()
    {
        QTemporaryDir tmp;
        const QString path = tmp.path() + QStringLiteral("/t.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QStringLiteral("专辑 Ä").toUtf8()) > 0);
        f.close();
        QCOMPARE(readTextFile(path), QStringLiteral("专辑 Ä"));
        QCOMPARE(readTextFile(tmp.path() + QStringLiteral("/missing.txt")), QString());
        // makePath creates missing levels and gives existing paths back unchanged.
        const QString deep = tmp.path() + QStringLiteral("/a/b/c");
        QCOMPARE(makePath(deep), deep);
        QVERIFY(QDir(deep).exists());
        QCOMPARE(makePath(tmp.path()), tmp.path());
    }

    void debugLogLineFormat()
    {
        static QStringList lines;
        lines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &m) { lines << m; });
        debugLog(QStringLiteral("Title"), QStringLiteral("hidden"));
        QLoggingCategory::setFilterRules(QStringLiteral("quellin.debug=true"));
        debugLog(QStringLiteral("Title"), QStringLiteral("message text"));
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous);
#ifdef NDEBUG
        // Release builds write the line only when asked to.
        QCOMPARE(lines, QStringList { QStringLiteral("**Debug** Title: message text") });
#else
        QCOMPARE(lines.size(), 2);
#endif
    }

    void chineseOnlyForChineseLocales_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh-CN") << QStringList { "zh-CN", "zh-Hans-CN", "zh" } << true;
        QTest::newRow("zh-TW") << QStringList { "zh-TW" } << true;
        QTest::newRow("bare zh") << QStringList { "zh" } << true;
        QTest::newRow("en-US") << QStringList { "en-US" } << false;
        QTest::newRow("C") << QStringList { "C" } << false;
        QTest::newRow("de first, zh second") << QStringList { "de-DE", "zh-CN" } << false;
        QTest::newRow("zu is not zh") << QStringList { "zu-ZA" } << false;
        QTest::newRow("none") << QStringList() << false;
    }

    void chineseOnlyForChineseLocales()
    {
        QFETCH(QStringList, languages);
        QFETCH(bool, chinese);
        QCOMPARE(prefersChinese(languages), chinese);
    }
};

QTEST_MAIN(tst_AppUtils)
#include "tst_apputils.moc"
