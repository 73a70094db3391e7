#include "app/resourceinit.h"
#include "ui/views/iconlineedit.h"

#include <QAction>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

class tst_IconLineEdit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initResources(); }
    void enterEmitsClickedOnly_data();
    void enterEmitsClickedOnly();
    void otherKeysReachTheField();
    void iconClickEmitsClicked();
    void iconSize_data();
    void iconSize();
    void missingIconShowsNothing();
};

void tst_IconLineEdit::enterEmitsClickedOnly_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("enter") << int(Qt::Key_Enter) << int(Qt::NoModifier);
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void tst_IconLineEdit::enterEmitsClickedOnly()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    IconLineEdit edit;
    edit.setText("flac");
    QSignalSpy clicked(&edit, &IconLineEdit::clicked);
    QSignalSpy returnPressed(&edit, &QLineEdit::returnPressed);
    QSignalSpy editingFinished(&edit, &QLineEdit::editingFinished);
    QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(returnPressed.count(), 0);
    QCOMPARE(editingFinished.count(), 0);
    QCOMPARE(edit.text(), QString("flac"));
}

void tst_IconLineEdit::otherKeysReachTheField()
{
    IconLineEdit edit;
    QSignalSpy clicked(&edit, &IconLineEdit::clicked);
    QTest::keyClicks(&edit, "cue");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QCOMPARE(edit.text(), QString("cu"));
    QCOMPARE(clicked.count(), 0);
}

void tst_IconLineEdit::iconClickEmitsClicked()
{
    IconLineEdit edit;
    edit.setIcon(":/resources/ui/images/default/common/search.svg", 30, 30);
    edit.resize(240, 40);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QSignalSpy clicked(&edit, &IconLineEdit::clicked);
    QToolButton *button = nullptr;
    const auto buttons = edit.findChildren<QToolButton *>();
    for (QToolButton *b : buttons) {
        if (b->defaultAction() == edit.iconAction())
            button = b;
    }
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    QCOMPARE(clicked.count(), 1);
}

void tst_IconLineEdit::iconSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("default") << -1 << -1 << QSize(24, 24);
    QTest::newRow("set") << 30 << 30 << QSize(30, 30);
    QTest::newRow("width 0 keeps") << 0 << 99 << QSize(24, 24);
}

void tst_IconLineEdit::iconSize()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, expected);
    IconLineEdit edit;
    if (width >= 0)
        edit.setIcon(":/resources/ui/images/default/common/search.svg", width, height);
    QCOMPARE(edit.iconSize(), expected);
    QVERIFY(!edit.iconAction()->icon().isNull());

    // A later icon without a size is shown at the stored size, also after a resize.
    edit.setIcon(":/resources/ui/images/default/common/close.svg", 0, 0);
    edit.resize(300, 44);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QCOMPARE(edit.iconSize(), expected);
    QCOMPARE(edit.iconAction()->icon().availableSizes().value(0), expected);
}

void tst_IconLineEdit::missingIconShowsNothing()
{
    IconLineEdit edit;
    edit.setIcon("/nonexistent/icon.png", 30, 30);
    QVERIFY(edit.iconAction()->icon().pixmap(30, 30).isNull());
    edit.resize(200, 40); // the refresh must cope with the null icon
    QCOMPARE(edit.iconSize(), QSize(30, 30));
}

QTEST_MAIN(tst_IconLineEdit)
#include "tst_iconlineedit.moc"
