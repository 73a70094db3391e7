#include "ui/mainwindow/sourcetreebuilder.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QTreeWidget>

const QString SourceTreeBuilder::kDirType = QStringLiteral("dir");
const QString SourceTreeBuilder::kFileType = QStringLiteral("file");

namespace {
bool isArtwork(const QString &name)
{
    return name.trimmed().compare(QLatin1String("Artwork"), Qt::CaseInsensitive) == 0;
}

bool applyFilter(QTreeWidgetItem *item, const QString &keyword)
{
    bool visible = item->text(0).toLower().contains(keyword);
    // Every child is visited, so each gets its own visibility.
    for (int i = 0; i < item->childCount(); ++i)
        visible = applyFilter(item->child(i), keyword) || visible;
    item->setHidden(!visible);
    if (visible)
        item->setExpanded(true);
    return visible;
}

void showAll(QTreeWidgetItem *item)
{
    item->setHidden(false);
    for (int i = 0; i < item->childCount(); ++i)
        showAll(item->child(i));
}
} // namespace

SourceTreeBuilder::SourceTreeBuilder() = default;

bool SourceTreeBuilder::populate(QTreeWidget *tree, const QString &rootPath)
{
    tree->clear();
    const QDir root(rootPath);
    if (rootPath.isEmpty() || !root.exists())
        return false;
    m_ancestors.clear();
    QTreeWidgetItem *rootItem = makeFolderItem(root);
    addDirectoryNode(rootItem, root);
    tree->addTopLevelItem(rootItem);
    tree->expandAll();
    return true;
}

void SourceTreeBuilder::addDirectoryNode(QTreeWidgetItem *parent, const QDir &dir)
{
    // A link back into one of the folder's own ancestors would recurse without end; a link to
    // anywhere else shows that folder's contents under both names.
    const QString real = QFileInfo(dir.absolutePath()).canonicalFilePath();
    if (real.isEmpty() || m_ancestors.contains(real))
        return;
    m_ancestors.append(real);

    const QFileInfoList folders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &info : folders) {
        if (isArtwork(info.fileName()))
            continue;
        const QDir sub(info.absoluteFilePath());
        QTreeWidgetItem *item = makeFolderItem(sub);
        parent->addChild(item);
        addDirectoryNode(item, sub);
    }
    const QFileInfoList sheets = dir.entryInfoList(
        { QStringLiteral("*.cue"), QStringLiteral("*.CUE") }, QDir::Files, QDir::Name);
    for (const QFileInfo &info : sheets)
        parent->addChild(makeSheetItem(info.absoluteFilePath(), info.fileName()));
    m_ancestors.removeLast();
}

QTreeWidgetItem *SourceTreeBuilder::makeFolderItem(const QDir &dir) const
{
    auto *item = new QTreeWidgetItem;
    item->setText(0, dir.dirName());
    // Looked up at first use: the icon theme search costs start-up time with no folder to show.
    if (m_folderIcon.isNull())
        m_folderIcon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    item->setIcon(0, m_folderIcon);
    item->setData(0, Qt::UserRole, kDirType);
    item->setData(0, Qt::UserRole + 1, dir.absolutePath());
    return item;
}

QTreeWidgetItem *SourceTreeBuilder::makeSheetItem(
    const QString &absolutePath, const QString &fileName) const
{
    auto *item = new QTreeWidgetItem;
    item->setText(0, fileName);
    // Loaded at first use too: reading an image file is a few ms of the start otherwise.
    if (m_sheetIcon.isNull())
        m_sheetIcon = QIcon(QStringLiteral(":/resources/ui/images/default/common/media_file.png"));
    item->setIcon(0, m_sheetIcon);
    item->setData(0, Qt::UserRole, kFileType);
    item->setData(0, Qt::UserRole + 1, absolutePath);
    return item;
}

void SourceTreeBuilder::filter(QTreeWidget *tree, const QString &keyword)
{
    const QString needle = keyword.trimmed().toLower();
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = tree->topLevelItem(i);
        if (needle.isEmpty())
            showAll(top);
        else
            applyFilter(top, needle);
    }
    if (needle.isEmpty())
        tree->expandAll();
}
