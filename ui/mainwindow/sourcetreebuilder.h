#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

class QDir;
class QTreeWidget;
class QTreeWidgetItem;

// Builds the source tree: a folder, its subfolders depth first (hidden ones and "Artwork"
// skipped with all below them), then its sheets. A link into one of a folder's own ancestors is
// shown but not entered, so the walk cannot recurse without end.
class SourceTreeBuilder
{
public:
    SourceTreeBuilder();

    // Clears the tree and fills it for root; false (tree empty) when the folder is missing.
    bool populate(QTreeWidget *tree, const QString &rootPath);

    // Adds dir's subfolders and sheets below parent.
    void addDirectoryNode(QTreeWidgetItem *parent, const QDir &dir);

    QTreeWidgetItem *makeFolderItem(const QDir &dir) const;
    QTreeWidgetItem *makeSheetItem(const QString &absolutePath, const QString &fileName) const;

    // Shows the items whose text holds the keyword (ignoring case) and their ancestors,
    // expanded; hides the rest. An empty keyword shows and expands everything.
    static void filter(QTreeWidget *tree, const QString &keyword);

    static const QString kDirType;
    static const QString kFileType;

private:
    mutable QIcon m_folderIcon;
    mutable QIcon m_sheetIcon;
    // Real paths of the folders being walked, root first.
    QStringList m_ancestors;
};
