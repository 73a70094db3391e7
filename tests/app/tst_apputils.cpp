#include "app/apputils.h"
#include "app/startupwarmup.h"

#include <QLibraryInfo>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <dlfcn.h>
#endif

class tst_AppUtils : public QObject
{
    Q_OBJECT

private slots:
    void chineseOnlyForChineseLocales_data()
    {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh-CN") << QStringList { "zh-CN", "zh-Hans-CN", "zh" } << true;
        QTest::newRow("zh_TW") << QStringList { "zh_TW" } << true;
        QTest::newRow("bare zh") << QStringList { "zh" } << true;
        QTest::newRow("en-US") << QStringList { "en-US" } << false;
        QTest::newRow("de first, zh second") << QStringList { "de-DE", "zh-CN" } << false;
        QTest::newRow("zu is not zh") << QStringList { "zu-ZA" } << false;
        QTest::newRow("zh-like prefix") << QStringList { "zha" } << false;
        QTest::newRow("none") << QStringList() << false;
    }

    void chineseOnlyForChineseLocales()
    {
        QFETCH(QStringList, languages);
        QFETCH(bool, chinese);
        QCOMPARE(prefersChinese(languages), chinese);
    }

#ifdef Q_OS_LINUX
    // What the start loads beside the main thread must be the very files Qt then loads, or the
    // process holds two copies and the start gains nothing.
    void startupLoadsQtsOwnFiles_data()
    {
        QTest::addColumn<QStringList>("environment"); // NAME=value; NAME= unsets
        QTest::addColumn<QStringList>("expected");
        const QStringList always { "sqldrivers/libqsqlite.so", "iconengines/libqsvgicon.so" };
        const QStringList x11 = QStringList { "platforms/libqxcb.so",
            "platforminputcontexts/libcomposeplatforminputcontextplugin.so", "libXcursor.so.1" }
            + always;
        const QStringList session { "QT_QPA_PLATFORM=", "DISPLAY=:0", "XDG_SESSION_TYPE=x11",
            "QT_IM_MODULE=", "QT_PLUGIN_PATH=", "QT_QPA_PLATFORM_PLUGIN_PATH=" };
        QTest::newRow("X11 session") << session << x11;
        QTest::newRow("offscreen named")
            << session + QStringList { "QT_QPA_PLATFORM=offscreen" } << always;
        QTest::newRow("Wayland session")
            << session + QStringList { "XDG_SESSION_TYPE=wayland" } << always;
        QTest::newRow("xcb named in a Wayland session")
            << session + QStringList { "XDG_SESSION_TYPE=wayland", "QT_QPA_PLATFORM=xcb" } << x11;
        QTest::newRow("another input method")
            << session + QStringList { "QT_IM_MODULE=ibus" }
            << QStringList { "platforms/libqxcb.so", "libXcursor.so.1" } + always;
        QTest::newRow("another plugin folder")
            << session + QStringList { "QT_PLUGIN_PATH=/opt" } << QStringList { "libXcursor.so.1" };
    }

    void startupLoadsQtsOwnFiles()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, expected);
        QHash<QByteArray, QByteArray> saved;
        for (const QString &setting : qAsConst(environment)) {
            const QByteArray name = setting.section('=', 0, 0).toUtf8();
            const QByteArray value = setting.section('=', 1).toUtf8();
            if (!saved.contains(name))
                saved.insert(name, qgetenv(name.constData()));
            value.isEmpty() ? qunsetenv(name.constData()) : qputenv(name.constData(), value);
        }
        const StartupWarmup::Plan plan = StartupWarmup::platformLibraries();
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            it.value().isEmpty() ? qunsetenv(it.key().constData())
                                 : qputenv(it.key().constData(), it.value());

        const QString pluginDir = QLibraryInfo::location(QLibraryInfo::PluginsPath) + '/';
        QStringList planned;
        for (const auto *part : { &plan.beforeFonts, &plan.afterFonts }) {
            for (const std::string &library : *part) {
                QString name = QString::fromStdString(library);
                if (name.contains('/')) {
                    QVERIFY2(name.startsWith(pluginDir), qPrintable(name));
                    name.remove(0, pluginDir.size());
                }
                planned << name;
                QVERIFY2(dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL), dlerror());
            }
        }
        planned.sort();
        expected.sort();
        QCOMPARE(planned, expected);
    }
#endif
};

QTEST_GUILESS_MAIN(tst_AppUtils)
#include "tst_apputils.moc"
