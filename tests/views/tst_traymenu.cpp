#include "ui/views/traymenu.h"

#include <QAction>
#include <QtTest>

class TrayMenuTest : public QObject
{
    Q_OBJECT
private slots:
    void entriesInOrder();
};

void TrayMenuTest::entriesInOrder()
{
    QStringList glyphs;
    TrayMenu menu([&glyphs](const QString &glyph) {
        glyphs << glyph;
        QPixmap pixmap(16, 16);
        pixmap.fill(QColor(QStringLiteral("#b4afd0")));
        return QIcon(pixmap);
    });
    QStringList entries;
    const QList<QAction *> actions = menu.actions();
    for (const QAction *action : actions) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (!action->isSeparator())
            QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
    }
    QCOMPARE(entries, QStringList({ "Play", "Pause", "-", "Previous", "Next", "-", "Quit" }));
    QCOMPARE(glyphs, QStringList({ "play", "pause", "prev", "next", "quit" }));
    QCOMPARE(menu.playAction(), actions.at(0));
    QCOMPARE(menu.pauseAction(), actions.at(1));
    QCOMPARE(menu.previousAction(), actions.at(3));
    QCOMPARE(menu.nextAction(), actions.at(4));
    QCOMPARE(menu.quitAction(), actions.at(6));
}

QTEST_MAIN(TrayMenuTest)
#include "tst_traymenu.moc"
