#include "app/csapp.h"
#include "app/resourceinit.h"
#include "support/modalsupport.h"
#include "ui/views/aboutview.h"
#include "ui/views/iconlineedit.h"
#include "ui/views/messageboxview.h"
#include "ui/views/traymenu.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

// The small views: About, the tray menu, the search field and the message box.
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
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::mouseClick(view.findChild<QAbstractButton *>("btnAssociation"), Qt::LeftButton);
        QFile entry(m_home.filePath(QStringLiteral("data/applications/quellin.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains(
            "Exec=\"" + QFile::encodeName(QCoreApplication::applicationFilePath()) + "\" %F\n"));
        QFile list(m_home.filePath(QStringLiteral("config/mimeapps.list")));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QVERIFY(list.readAll().contains("application/x-cue=quellin.desktop;"));
    }

    void trayMenuEntriesInOrder()
    {
        QStringList glyphs;
        TrayMenu menu([&glyphs](const QString &glyph) {
            glyphs << glyph;
            QPixmap pixmap(16, 16);
            pixmap.fill(Qt::white);
            return QIcon(pixmap);
        });
        QStringList entries;
        const QList<QAction *> a = menu.actions();
        for (const QAction *action : a)
            entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(entries, QStringList({ "Play", "Pause", "-", "Previous", "Next", "-", "Quit" }));
        QCOMPARE(glyphs, QStringList({ "play", "pause", "prev", "next", "quit" }));
        QCOMPARE((QList<QAction *> { menu.playAction(), menu.pauseAction(), menu.previousAction(),
                     menu.nextAction(), menu.quitAction() }),
            (QList<QAction *> { a[0], a[1], a[3], a[4], a[6] }));
    }

    void iconLineEdit_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QSize>("size");
        QTest::newRow("return, default size")
            << int(Qt::Key_Return) << 0 << "flac" << -1 << "search.svg" << QSize(24, 24);
        QTest::newRow("enter, size set")
            << int(Qt::Key_Enter) << 0 << "flac" << 30 << "search.svg" << QSize(30, 30);
        QTest::newRow("keypad enter, width 0 keeps the size")
            << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "flac" << 0 << "search.svg"
            << QSize(24, 24);
        QTest::newRow("other keys type, missing icon")
            << int(Qt::Key_Backspace) << 0 << "fla" << 30 << "none.png" << QSize(30, 30);
    }

    // Enter only emits clicked, other keys reach the field; the icon keeps its stored size, also
    // for a later icon without one and after a resize; a click on it emits clicked.
    void iconLineEdit()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, icon);
        QFETCH(QSize, size);
        const QString images = QStringLiteral(":/resources/ui/images/default/common/");
        IconLineEdit edit;
        edit.setText("flac");
        QSignalSpy clicked(&edit, &IconLineEdit::clicked);
        QSignalSpy others(&edit, &QLineEdit::returnPressed);
        QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(clicked.count(), text == "flac" ? 1 : 0);
        QCOMPARE(others.count(), 0);
        QCOMPARE(edit.text(), text);

        if (width >= 0)
            edit.setIcon(images + icon, width, width);
        QCOMPARE(edit.iconAction()->icon().pixmap(size).isNull(), icon == "none.png");
        edit.setIcon(images + "search.svg", 0, 0);
        edit.resize(300, 44);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QCOMPARE(edit.iconSize(), size);
        QCOMPARE(edit.iconAction()->icon().availableSizes().value(0), size);
        for (QToolButton *b : edit.findChildren<QToolButton *>()) {
            if (b->defaultAction() == edit.iconAction())
                QTest::mouseClick(b, Qt::LeftButton);
        }
        QCOMPARE(clicked.count(), text == "flac" ? 2 : 1);
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

    // Only a confirmation offers Cancel; the texts given are shown.
    void messageBoxAnswers()
    {
        QFETCH(bool, confirm);
        QFETCH(QString, answer);
        QFETCH(bool, expected);
        QStringList shown;
        TestSupport::whenModalShown([&](QWidget *box) {
            shown << box->findChild<QLabel *>("lbFormTitle")->text()
                  << box->findChild<QLabel *>("lbMessageBoxContent")->text()
                  << box->findChild<QPushButton *>("btnSure")->text()
                  << QString::number(box->findChild<QPushButton *>("btnCancel")->isVisible());
            if (answer == "escape")
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->findChild<QPushButton *>(answer)->click();
        });
        if (confirm)
            QCOMPARE(MessageBoxView::confirm(nullptr, "Delete", "Really?", "Yes"), expected);
        else
            MessageBoxView::information("Saved", "OK", "Note");
        QCOMPARE(shown,
            confirm ? QStringList({ "Delete", "Really?", "Yes", "1" })
                    : QStringList({ "Note", "Saved", "OK", "0" }));
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Empty texts keep the earlier ones; a drag moves by the latest press's offset.
    void messageBoxTextsAndDrag()
    {
        MessageBoxView box;
        box.setMessage("first", "Go", "Title");
        box.setMessage("second", QString(), QString());
        QCOMPARE(box.findChild<QLabel *>("lbMessageBoxContent")->text(), QString("second"));
        QCOMPARE(box.findChild<QPushButton *>("btnSure")->text(), QString("Go"));
        QCOMPARE(box.findChild<QLabel *>("lbFormTitle")->text(), QString("Title"));

        box.move(100, 100);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QPoint origin = box.pos();
        const auto send = [&box](QEvent::Type type, Qt::MouseButton button, const QPoint &at) {
            QMouseEvent event(type, box.mapFromGlobal(at), at, button,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
            QApplication::sendEvent(&box, &event);
        };
        send(QEvent::MouseButtonPress, Qt::RightButton, origin + QPoint(50, 20));
        send(QEvent::MouseMove, Qt::RightButton, origin + QPoint(90, 60));
        QCOMPARE(box.pos(), origin);
        send(QEvent::MouseButtonPress, Qt::LeftButton, origin + QPoint(30, 10));
        send(QEvent::MouseMove, Qt::LeftButton, origin + QPoint(70, 50));
        QCOMPARE(box.pos(), origin + QPoint(40, 40));
        send(QEvent::MouseButtonRelease, Qt::LeftButton, origin + QPoint(70, 50));
        send(QEvent::MouseMove, Qt::NoButton, origin + QPoint(200, 200));
        QCOMPARE(box.pos(), origin + QPoint(40, 40));
        // A press on the top-left corner leaves no offset to drag by.
        send(QEvent::MouseButtonPress, Qt::LeftButton, box.pos());
        send(QEvent::MouseMove, Qt::LeftButton, box.pos() + QPoint(60, 60));
        QCOMPARE(box.pos(), origin + QPoint(40, 40));
    }
};

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
