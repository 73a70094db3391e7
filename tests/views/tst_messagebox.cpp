#include "app/csapp.h"
#include "support/modalsupport.h"
#include "ui/views/messageboxview.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QtTest>

using TestSupport::whenModalShown;

class tst_MessageBox : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void answers_data();
    void answers();
    void emptyTextsKeepDefaults();
    void dragUsesLatestPressOffset();
};

namespace {
void sendMouse(QWidget *w, QEvent::Type type, Qt::MouseButton button, const QPoint &global)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, w->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
} // namespace

void tst_MessageBox::initTestCase()
{
    ApplicationBase::setInstance(new CSApp);
}

void tst_MessageBox::cleanupTestCase()
{
    ApplicationBase::deleteInstance();
}

void tst_MessageBox::answers_data()
{
    QTest::addColumn<bool>("confirm"); // else information
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("expected");
    QTest::newRow("confirm, sure") << true << "btnSure" << true;
    QTest::newRow("confirm, cancel") << true << "btnCancel" << false;
    QTest::newRow("confirm, close") << true << "btnClose" << false;
    QTest::newRow("confirm, escape") << true << "escape" << false;
    QTest::newRow("information, sure") << false << "btnSure" << true;
    QTest::newRow("information, close") << false << "btnClose" << true;
}

// Only a confirmation offers Cancel.
void tst_MessageBox::answers()
{
    QFETCH(bool, confirm);
    QFETCH(QString, answer);
    QFETCH(bool, expected);
    bool cancelShown = !confirm;
    bool sureShown = false;
    QString title;
    QString content;
    QString sureText;
    whenModalShown([&](QWidget *box) {
        cancelShown = box->findChild<QPushButton *>("btnCancel")->isVisible();
        auto *sure = box->findChild<QPushButton *>("btnSure");
        sureShown = sure->isVisible();
        sureText = sure->text();
        title = box->findChild<QLabel *>("lbFormTitle")->text();
        content = box->findChild<QLabel *>("lbMessageBoxContent")->text();
        if (answer == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->findChild<QPushButton *>(answer)->click();
    });
    if (confirm) {
        QCOMPARE(MessageBoxView::confirm(nullptr, "Delete", "Really?", QString()), expected);
        QCOMPARE(title, QString("Delete"));
        QCOMPARE(content, QString("Really?"));
    } else {
        MessageBoxView::information("Save completed", "OK");
        QVERIFY(sureShown);
        QCOMPARE(sureText, QString("OK"));
    }
    QCOMPARE(cancelShown, confirm);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_MessageBox::emptyTextsKeepDefaults()
{
    MessageBoxView box;
    box.setMessage("first", "Go", "Title");
    box.setMessage("second", QString(), QString());
    QCOMPARE(box.findChild<QLabel *>("lbMessageBoxContent")->text(), QString("second"));
    QCOMPARE(box.findChild<QPushButton *>("btnSure")->text(), QString("Go"));
    QCOMPARE(box.findChild<QLabel *>("lbFormTitle")->text(), QString("Title"));
}

void tst_MessageBox::dragUsesLatestPressOffset()
{
    MessageBoxView box;
    box.move(100, 100);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QPoint origin = box.pos();

    // A right press only records the offset; a left press then starts the drag with its own.
    sendMouse(&box, QEvent::MouseButtonPress, Qt::RightButton, origin + QPoint(50, 20));
    QVERIFY(!box.isDragging());
    sendMouse(&box, QEvent::MouseMove, Qt::RightButton, origin + QPoint(90, 60));
    QCOMPARE(box.pos(), origin);

    sendMouse(&box, QEvent::MouseButtonPress, Qt::LeftButton, origin + QPoint(30, 10));
    QVERIFY(box.isDragging());
    QCOMPARE(box.dragOffset(), QPoint(30, 10));
    sendMouse(&box, QEvent::MouseMove, Qt::LeftButton, origin + QPoint(70, 50));
    QCOMPARE(box.pos(), origin + QPoint(40, 40));

    sendMouse(&box, QEvent::MouseButtonRelease, Qt::LeftButton, origin + QPoint(70, 50));
    QVERIFY(!box.isDragging());
    sendMouse(&box, QEvent::MouseMove, Qt::NoButton, origin + QPoint(200, 200));
    QCOMPARE(box.pos(), origin + QPoint(40, 40));

    // A press on the top-left corner leaves no offset to drag by.
    sendMouse(&box, QEvent::MouseButtonPress, Qt::LeftButton, box.pos());
    QVERIFY(box.isDragging());
    sendMouse(&box, QEvent::MouseMove, Qt::LeftButton, box.pos() + QPoint(60, 60));
    QCOMPARE(box.pos(), origin + QPoint(40, 40));
}

QTEST_MAIN(tst_MessageBox)
#include "tst_messagebox.moc"
