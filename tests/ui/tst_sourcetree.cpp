#include "app/resourceinit.h"
#include "support/mediasupport.h"
#include "ui/mainwindow/sourcetreebuilder.h"

#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {
void touch(const QString &path)
{
    QVERIFY(MediaSupport::writeFile(path, QByteArray()));
}

// "name" lines of the whole tree, indented by depth, for whole-structure comparisons.
void outline(QTreeWidgetItem *item, int depth, QStringList &out, bool visibleOnly)
{
    if (visibleOnly && item->isHidden())
        return;
    out << QString(depth * 2, QLatin1Char(' ')) + item->text(0);
    for (int i = 0; i < item->childCount(); ++i)
        outline(item->child(i), depth + 1, out, visibleOnly);
}

QStringList outline(QTreeWidget &tree, bool visibleOnly = false)
{
    QStringList out;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        outline(tree.topLevelItem(i), 0, out, visibleOnly);
    return out;
}

QTreeWidgetItem *find(QTreeWidget &tree, const QString &text)
{
    const auto hits = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return hits.isEmpty() ? nullptr : hits.first();
}
} // namespace

class tst_SourceTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void structureAndArtworkSkipping()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/Library");
        touch(root + QStringLiteral("/B Album/b.cue"));
        touch(root + QStringLiteral("/B Album/b.flac"));
        touch(root + QStringLiteral("/B Album/Artwork/inner.cue"));
        touch(root + QStringLiteral("/A Album/artwork /x.cue"));
        touch(root + QStringLiteral("/A Album/Artworks/shown.CUE"));
        touch(root + QStringLiteral("/A Album/a.cue"));
        touch(root + QStringLiteral("/Empty/readme.txt"));
        touch(root + QStringLiteral("/.hidden/h.cue"));
        touch(root + QStringLiteral("/top.cue"));

        QTreeWidget tree;
        SourceTreeBuilder builder;
        QVERIFY(builder.populate(&tree, root));
        const QStringList expected { "Library", "  A Album", "    Artworks", "      shown.CUE",
            "    a.cue", "  B Album", "    b.cue", "  Empty", "  top.cue" };
        QCOMPARE(outline(tree), expected);

        QTreeWidgetItem *sheet = find(tree, QStringLiteral("b.cue"));
        QCOMPARE(sheet->data(0, Qt::UserRole).toString(), QStringLiteral("file"));
        QCOMPARE(
            sheet->data(0, Qt::UserRole + 1).toString(), root + QStringLiteral("/B Album/b.cue"));
        QTreeWidgetItem *folder = find(tree, QStringLiteral("B Album"));
        QCOMPARE(folder->data(0, Qt::UserRole).toString(), QStringLiteral("dir"));
        QCOMPARE(folder->data(0, Qt::UserRole + 1).toString(), root + QStringLiteral("/B Album"));
        QVERIFY(folder->isExpanded());
    }

    void missingFolderGivesEmptyTree()
    {
        QTreeWidget tree;
        tree.addTopLevelItem(new QTreeWidgetItem(QStringList { QStringLiteral("old") }));
        SourceTreeBuilder builder;
        QVERIFY(!builder.populate(&tree, QStringLiteral("/no/such/folder")));
        QCOMPARE(tree.topLevelItemCount(), 0);
        QVERIFY(!builder.populate(&tree, QString()));
    }

    void linkLoopsEndLinkedFoldersShow()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/Root");
        touch(root + QStringLiteral("/Sub/s.cue"));
        QVERIFY(QFile::link(root, root + QStringLiteral("/Sub/back")));
        QVERIFY(QFile::link(root + QStringLiteral("/Sub"), root + QStringLiteral("/again")));
        QTreeWidget tree;
        SourceTreeBuilder builder;
        QVERIFY(builder.populate(&tree, root));
        // A link into an ancestor shows without children; a link elsewhere shows the folder's
        // contents under both names.
        QCOMPARE(outline(tree),
            (QStringList {
                "Root", "  Sub", "    back", "    s.cue", "  again", "    back", "    s.cue" }));
    }

    void filterKeepsAncestors()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/Lib");
        touch(root + QStringLiteral("/Jazz/Deep/Deeper/Kind Of Blue.cue"));
        touch(root + QStringLiteral("/Jazz/Other.cue"));
        touch(root + QStringLiteral("/Rock/Blues Album.cue"));
        touch(root + QStringLiteral("/Rock/Loud.cue"));
        QTreeWidget tree;
        SourceTreeBuilder builder;
        QVERIFY(builder.populate(&tree, root));
        tree.collapseAll();

        SourceTreeBuilder::filter(&tree, QStringLiteral("  kind of  "));
        QCOMPARE(outline(tree, true),
            (QStringList {
                "Lib", "  Jazz", "    Deep", "      Deeper", "        Kind Of Blue.cue" }));
        QVERIFY(find(tree, QStringLiteral("Deeper"))->isExpanded());

        // A word in a folder name keeps the folder and hides its unmatched children.
        SourceTreeBuilder::filter(&tree, QStringLiteral("BLUE"));
        QCOMPARE(outline(tree, true),
            (QStringList { "Lib", "  Jazz", "    Deep", "      Deeper", "        Kind Of Blue.cue",
                "  Rock", "    Blues Album.cue" }));

        SourceTreeBuilder::filter(&tree, QStringLiteral("nothing matches"));
        QVERIFY(outline(tree, true).isEmpty());

        SourceTreeBuilder::filter(&tree, QStringLiteral("   "));
        QCOMPARE(outline(tree, true), outline(tree));
        QVERIFY(find(tree, QStringLiteral("Rock"))->isExpanded());
    }
};

QTEST_MAIN(tst_SourceTree)
#include "tst_sourcetree.moc"
