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
        const QString root = tmp.path() + "/Library";
        touch(root + "/B Album/b.cue");
        touch(root + "/B Album/b.flac");
        touch(root + "/B Album/Artwork/inner.cue");
        touch(root + "/A Album/artwork /x.cue");
        touch(root + "/A Album/Artworks/shown.CUE");
        touch(root + "/A Album/a.cue");
        touch(root + "/Empty/readme.txt");
        touch(root + "/.hidden/h.cue");
        touch(root + "/top.cue");

        QTreeWidget tree;
        SourceTreeBuilder builder;
        QVERIFY(builder.populate(&tree, root));
        const QStringList expected { "Library", "  A Album", "    Artworks", "      shown.CUE",
            "    a.cue", "  B Album", "    b.cue", "  Empty", "  top.cue" };
        QCOMPARE(outline(tree), expected);

        QTreeWidgetItem *sheet = find(tree, "b.cue");
        QCOMPARE(sheet->data(0, Qt::UserRole).toString(), QString("file"));
        QCOMPARE(sheet->data(0, Qt::UserRole + 1).toString(), root + "/B Album/b.cue");
        QTreeWidgetItem *folder = find(tree, "B Album");
        QCOMPARE(folder->data(0, Qt::UserRole).toString(), QString("dir"));
        QCOMPARE(folder->data(0, Qt::UserRole + 1).toString(), root + "/B Album");
        QVERIFY(folder->isExpanded());
    }

    void missingFolderGivesEmptyTree()
    {
        QTreeWidget tree;
        tree.addTopLevelItem(new QTreeWidgetItem(QStringList { "old" }));
        SourceTreeBuilder builder;
        QVERIFY(!builder.populate(&tree, "/no/such/folder"));
        QCOMPARE(tree.topLevelItemCount(), 0);
        QVERIFY(!builder.populate(&tree, QString()));
    }

    void linkLoopsEndLinkedFoldersShow()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path() + "/Root";
        touch(root + "/Sub/s.cue");
        QVERIFY(QDir().mkpath(root + "/Loop"));
        QVERIFY(QFile::link(root + "/Loop", root + "/Loop/back"));
        QVERIFY(QFile::link(root + "/Sub", root + "/again"));
        QTreeWidget tree;
        SourceTreeBuilder builder;
        QVERIFY(builder.populate(&tree, root));
        // A link into an ancestor shows without children; a link elsewhere shows the folder's
        // contents under both names.
        QCOMPARE(outline(tree),
            (QStringList {
                "Root", "  Loop", "    back", "  Sub", "    s.cue", "  again", "    s.cue" }));
    }

    void filterKeepsAncestors()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path() + "/Lib";
        touch(root + "/Jazz/Deep/Deeper/Kind Of Blue.cue");
        touch(root + "/Jazz/Other.cue");
        touch(root + "/Rock/Blues Album.cue");
        touch(root + "/Rock/Loud.cue");
        QTreeWidget tree;
        SourceTreeBuilder builder;
        QVERIFY(builder.populate(&tree, root));
        tree.collapseAll();

        SourceTreeBuilder::filter(&tree, "  kind of  ");
        QCOMPARE(outline(tree, true),
            (QStringList {
                "Lib", "  Jazz", "    Deep", "      Deeper", "        Kind Of Blue.cue" }));
        QVERIFY(find(tree, "Deeper")->isExpanded());

        // A word in a folder name keeps the folder and hides its unmatched children.
        SourceTreeBuilder::filter(&tree, "BLUE");
        QCOMPARE(outline(tree, true),
            (QStringList { "Lib", "  Jazz", "    Deep", "      Deeper", "        Kind Of Blue.cue",
                "  Rock", "    Blues Album.cue" }));

        SourceTreeBuilder::filter(&tree, "nothing matches");
        QVERIFY(outline(tree, true).isEmpty());

        SourceTreeBuilder::filter(&tree, "   ");
        QCOMPARE(outline(tree, true), outline(tree));
        QVERIFY(find(tree, "Rock")->isExpanded());
    }
};

QTEST_MAIN(tst_SourceTree)
#include "tst_sourcetree.moc"
