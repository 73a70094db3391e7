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

    void styleSheetWithoutReloadStylesFirstOnly()
    {
        QWidget first;
        QWidget second;
        applyStyleSheet(&first, QStringLiteral("mainwindow.css"), false);
        applyStyleSheet(&second, QStringLiteral("mainwindow.css"), false);
        QVERIFY(first.styleSheet().contains(QStringLiteral("#btnPlayMusic")));
        QVERIFY(first.styleSheet().startsWith(
            ApplicationBase::instance()->commonStyleSheet() + QStringLiteral("\r\n")));
        QVERIFY(second.styleSheet().isEmpty());
        QCOMPARE(styleSheetOwner(QStringLiteral("mainwindow.css")), &first);
    }

    void styleSheetWithReloadStylesEach()
    {
        QWidget first;
        QWidget second;
        applyStyleSheet(&first, QStringLiteral("messageboxview.css"), true);
        applyStyleSheet(&second, QStringLiteral("messageboxview.css"), true);
        QVERIFY(first.styleSheet().contains(QStringLiteral("#pnDialogPanel")));
        QCOMPARE(second.styleSheet(), first.styleSheet());
        QCOMPARE(styleSheetOwner(QStringLiteral("messageboxview.css")), &second);
    }

    void missingStyleSheetLeavesCommonPart()
    {
        QWidget w;
        applyStyleSheet(&w, QStringLiteral("nosuch.css"), true);
        QCOMPARE(w.styleSheet(),
            ApplicationBase::instance()->commonStyleSheet() + QStringLiteral("\r\n"));
    }

    void themeFilesCarryTheirMainRules_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("rule");
        QTest::newRow("common tree selection") << "common.css"
                                               << "#1b3860";
        QTest::newRow("common combo arrow") << "common.css"
                                            << ":/resources/ui/images/default/common/arrow.png";
        QTest::newRow("common branches") << "common.css"
                                         << ":/resources/ui/images/default/common/branch_open.svg";
        QTest::newRow("main window background") << "mainwindow.css"
                                                << "#191c23";
        QTest::newRow("info button image") << "mainwindow.css"
                                           << ":/resources/ui/images/default/common/info.png";
        QTest::newRow("message box head") << "messageboxview.css"
                                          << "#0069C0";
        QTest::newRow("save dialog") << "medialibraryeditview.css"
                                     << "#264e86";
        QTest::newRow("about icon") << "aboutview.css"
                                    << ":/resources/ui/images/default/common/icon.png";
    }

    void themeFilesCarryTheirMainRules()
    {
        QFETCH(QString, file);
        QFETCH(QString, rule);
        const QString text = readTextFile(QStringLiteral(":/resources/ui/theme/default/") + file);
        QVERIFY2(text.contains(rule), qPrintable(file));
        // Every image a stylesheet names is compiled in.
        if (rule.startsWith(QLatin1Char(':')))
            QVERIFY2(QFile::exists(rule), qPrintable(rule));
    }

    void readTextFileDecodesUtf8AndToleratesMissing()
    {
        QTemporaryDir tmp;
        const QString path = tmp.path() + QStringLiteral("/t.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("专辑 Ä").toUtf8());
        f.close();
        QCOMPARE(readTextFile(path), QStringLiteral("专辑 Ä"));
        QCOMPARE(readTextFile(tmp.path() + QStringLiteral("/missing.txt")), QString());
    }

    void makePathCreatesMissingLevels()
    {
        QTemporaryDir tmp;
        const QString deep = tmp.path() + QStringLiteral("/a/b/c");
        QCOMPARE(makePath(deep), deep);
        QVERIFY(QDir(deep).exists());
        // Existing paths come back unchanged.
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
