#include "app/apputils.h"

#include <QtTest>

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
};

QTEST_GUILESS_MAIN(tst_AppUtils)
#include "tst_apputils.moc"
