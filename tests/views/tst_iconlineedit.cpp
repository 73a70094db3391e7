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
    void keys_data();
    void keys();
    void iconClickEmitsClicked();
    void iconSize_data();
    void iconSize();
};

void tst_IconLineEdit::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier) << "flac";
    QTest::newRow("enter") << int(Qt::Key_Enter) << int(Qt::NoModifier) << "flac";
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "flac";
    QTest::newRow("other keys type") << int(Qt::Key_Backspace) << int(Qt::NoModifier) << "fla";
}

// Enter only emits clicked; other keys reach the field.
void tst_IconLineEdit::keys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    IconLineEdit edit;
    edit.setText("flac");
    QSignalSpy clicked(&edit, &IconLineEdit::clicked);
    QSignalSpy returnPressed(&edit, &QLineEdit::returnPressed);
    QSignalSpy editingFinished(&edit, &QLineEdit::editingFinished);
    QTest::keyClick(&edit, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(clicked.count(), text == "flac" ? 1 : 0);
    QCOMPARE(returnPressed.count() + editingFinished.count(), 0);
    QCOMPARE(edit.text(), text);
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
    QTest::addColumn<QString>("icon");
    QTest::newRow("default") << -1 << -1 << QSize(24, 24) << "search.svg";
    QTest::newRow("set") << 30 << 30 << QSize(30, 30) << "search.svg";
    QTest::newRow("width 0 keeps") << 0 << 99 << QSize(24, 24) << "search.svg";
    QTest::newRow("missing icon") << 30 << 30 << QSize(30, 30) << "none.png";
}

void tst_IconLineEdit::iconSize()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, expected);
    QFETCH(QString, icon);
    IconLineEdit edit;
    if (width >= 0)
        edit.setIcon(":/resources/ui/images/default/common/" + icon, width, height);
    QCOMPARE(edit.iconSize(), expected);
    QCOMPARE(edit.iconAction()->icon().pixmap(expected).isNull(), icon == "none.png");

    // A later icon without a size is shown at the stored size, also after a resize.
    edit.setIcon(":/resources/ui/images/default/common/close.svg", 0, 0);
    edit.resize(300, 44);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QCOMPARE(edit.iconSize(), expected);
    QCOMPARE(edit.iconAction()->icon().availableSizes().value(0), expected);
}

QTEST_MAIN(tst_IconLineEdit)
#include "tst_iconlineedit.moc"
