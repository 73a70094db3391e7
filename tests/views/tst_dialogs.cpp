#include "app/csapp.h"
#include "app/resourceinit.h"
#include "support/mediasupport.h"
#include "support/modalsupport.h"
#include "ui/views/aboutview.h"
#include "ui/views/messageboxview.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// About's association button and the message box's answers.
class tst_Dialogs : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        initResources();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
        QCoreApplication::setApplicationName(QStringLiteral("Quellin"));
        ApplicationBase::setInstance(new CSApp);
    }
    void cleanupTestCase() { ApplicationBase::deleteInstance(); }

    void aboutAssociationButtonRegisters()
    {
        AboutView view;
        view.show();
        QTest::mouseClick(view.findChild<QAbstractButton *>("btnAssociation"), Qt::LeftButton);
        QVERIFY(MediaSupport::readFile(m_home.filePath("data/applications/quellin.desktop"))
                    .contains("Exec=\"" + QFile::encodeName(QCoreApplication::applicationFilePath())
                        + "\" %F\n"));
        QVERIFY(MediaSupport::readFile(m_home.filePath("config/mimeapps.list"))
                    .contains("application/x-cue=quellin.desktop;"));
    }

    void messageBoxAnswers_data()
    {
        QTest::addColumn<bool>("confirm"); // else information
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("expected");
        QTest::newRow("confirm, sure") << true << "btnSure" << true;
        QTest::newRow("confirm, cancel") << true << "btnCancel" << false;
        QTest::newRow("confirm, close") << true << "btnClose" << false;
        QTest::newRow("confirm, escape") << true << "escape" << false;
        QTest::newRow("information, close") << false << "btnClose" << true;
    }

    // Only sure confirms; every answer closes the box.
    void messageBoxAnswers()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, answer);
        QFETCH(bool, expected);
        bool shown = false;
        TestSupport::whenModalShown([&](QWidget *box) {
            shown = true;
            if (answer == "escape")
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->findChild<QPushButton *>(answer)->click();
        });
        if (confirm)
            QCOMPARE(MessageBoxView::confirm(nullptr, "Delete", "Really?", "Yes"), expected);
        else
            MessageBoxView::information("Saved", "OK", "Note");
        QVERIFY(shown);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
