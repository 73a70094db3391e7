#include "app/apputils.h"
#include "app/csapp.h"
#include "ui/views/aboutview.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class AboutViewTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void texts_data();
    void texts();
    void styleSheetAppliedToEveryDialog();
    void associationButtonRegisters();

private:
    QTemporaryDir m_home;
};

void AboutViewTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
    QCoreApplication::setApplicationName(QStringLiteral("Quellin"));
    ApplicationBase::setInstance(new CSApp);
}

void AboutViewTest::cleanupTestCase()
{
    ApplicationBase::deleteInstance();
}

void AboutViewTest::texts_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("text");
    QTest::newRow("name") << "lbAppName"
                          << "Quellin";
    QTest::newRow("maker") << "lbCompany"
                           << "Quellin developers";
    QTest::newRow("support") << "lbSupport"
                             << "Support: ";
    QTest::newRow("link") << "btnLinkToWebsite"
                          << "User guide";
    QTest::newRow("version label") << "label"
                                   << "Version:";
    QTest::newRow("version") << "lbBuildVersion"
                             << "1.0";
    QTest::newRow("association") << "btnAssociation"
                                 << "Association";
    QTest::newRow("icon") << "lbAppIcon"
                          << "";
}

void AboutViewTest::texts()
{
    QFETCH(QString, object);
    QFETCH(QString, text);
    AboutView view;
    QCOMPARE(view.windowTitle(), QStringLiteral("About"));
    QCOMPARE(view.metaObject()->className(), "AboutView");
    if (auto *label = view.findChild<QLabel *>(object))
        QCOMPARE(label->text(), text);
    else if (auto *button = view.findChild<QAbstractButton *>(object))
        QCOMPARE(button->text(), text);
    else
        QFAIL(qPrintable(object));
    QVERIFY(!view.findChild<QLabel *>(QStringLiteral("lbCopyright"))->text().isEmpty());
}

void AboutViewTest::styleSheetAppliedToEveryDialog()
{
    auto first = std::make_unique<AboutView>();
    QVERIFY(first->styleSheet().contains(QStringLiteral("#lbAppIcon")));
    first.reset();
    AboutView second;
    QCOMPARE(styleSheetOwner(QStringLiteral("aboutview.css")), &second);
    QVERIFY(second.styleSheet().contains(QStringLiteral("#lbAppIcon")));
    QVERIFY(second.styleSheet().startsWith(ApplicationBase::instance()->commonStyleSheet()));
}

void AboutViewTest::associationButtonRegisters()
{
    AboutView view;
    auto *button = view.findChild<QAbstractButton *>(QStringLiteral("btnAssociation"));
    QVERIFY(button);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::mouseClick(button, Qt::LeftButton);

    QFile entry(m_home.filePath(QStringLiteral("data/applications/quellin.desktop")));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    QVERIFY2(text.contains("Exec=\"" + QFile::encodeName(QCoreApplication::applicationFilePath())
                 + "\" %F\n"),
        text.constData());
    QFile list(m_home.filePath(QStringLiteral("config/mimeapps.list")));
    QVERIFY(list.open(QIODevice::ReadOnly));
    QVERIFY(list.readAll().contains("application/x-cue=quellin.desktop;"));
}

QTEST_MAIN(AboutViewTest)
#include "tst_aboutview.moc"
