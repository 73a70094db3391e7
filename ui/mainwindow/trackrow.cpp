#include "ui/mainwindow/trackrow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QScrollBar>
#include <QTreeWidget>
#include <QtMath>

namespace {
const QIcon &mediaFileIcon()
{
    static const QIcon icon(QStringLiteral(":/resources/ui/images/default/common/media_file.png"));
    return icon;
}

// A row whose audio file is missing, or is no regular file, is dimmed and names the file.
void markIfUnplayable(QTreeWidgetItem *row, const QString &filePath)
{
    if (filePath.isEmpty() || QFileInfo(filePath).isFile())
        return;
    const QBrush dimmed(QColor(0x6c, 0x6f, 0x80));
    const QString tip =
        QCoreApplication::translate("MainWindow", "Audio file not found: %1").arg(filePath);
    for (int column = 0; column < 4; ++column) {
        row->setForeground(column, dimmed);
        row->setToolTip(column, tip);
    }
}
} // namespace

QTreeWidgetItem *TrackRow::make(const TrackInfo &track, int wholeFileCounter, bool fromFolder)
{
    auto *row = new QTreeWidgetItem;
    QString storedTitle = track.title;
    int storedNumber = track.number;
    if (track.wholeFile) {
        row->setText(0, QFileInfo(track.filePath).fileName());
        row->setText(3, QString::number(wholeFileCounter));
        if (!fromFolder) {
            storedTitle = QFileInfo(track.filePath).completeBaseName();
            storedNumber = wholeFileCounter;
        }
    } else {
        row->setText(0, track.title);
        row->setText(1, secondsToHMS(track.startSeconds));
        row->setText(2, secondsToHMS(track.durationSeconds));
        row->setText(3, QString::number(track.number));
    }
    row->setIcon(0, mediaFileIcon());
    row->setData(0, FilePathRole, track.filePath);
    row->setData(0, StartRole, track.startSeconds);
    row->setData(0, DurationRole, track.durationSeconds);
    row->setData(0, FileTypeRole, track.fileType);
    row->setData(0, TitleRole, storedTitle);
    row->setData(0, NumberRole, storedNumber);
    row->setData(0, WholeFileRole, track.wholeFile);
    row->setData(0, CuePathRole, track.cuePath);
    markIfUnplayable(row, track.filePath);
    return row;
}

void TrackRow::fill(QTreeWidget *list, const QVector<TrackInfo> &tracks, bool fromFolder)
{
    const bool wasBlocked = list->blockSignals(true);
    const bool sorting = list->isSortingEnabled();
    list->setSortingEnabled(false);
    list->setUpdatesEnabled(false);
    list->viewport()->setUpdatesEnabled(false);
    list->clear();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(tracks.size());
    int wholeFileCounter = 0;
    for (const TrackInfo &track : tracks) {
        if (track.wholeFile)
            ++wholeFileCounter;
        QTreeWidgetItem *row = make(track, wholeFileCounter, fromFolder);
        row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
        rows << row;
    }
    list->addTopLevelItems(rows);
    list->viewport()->setUpdatesEnabled(true);
    list->setUpdatesEnabled(true);
    list->setSortingEnabled(sorting);
    list->viewport()->update();
    list->scrollToTop();
    list->blockSignals(wasBlocked);
}

TrackInfo TrackRow::track(const QTreeWidgetItem *row)
{
    TrackInfo track;
    if (!row)
        return track;
    track.filePath = row->data(0, FilePathRole).toString();
    track.startSeconds = row->data(0, StartRole).toDouble();
    track.durationSeconds = row->data(0, DurationRole).toDouble();
    track.fileType = row->data(0, FileTypeRole).toString();
    track.title = row->data(0, TitleRole).toString();
    track.number = row->data(0, NumberRole).toInt();
    track.wholeFile = row->data(0, WholeFileRole).toBool();
    track.cuePath = row->data(0, CuePathRole).toString();
    return track;
}

QTreeWidgetItem *TrackRow::copy(const QTreeWidgetItem *row)
{
    auto *copy = new QTreeWidgetItem;
    for (int column = 0; column < 3; ++column)
        copy->setText(column, row->text(column));
    for (int role = FilePathRole; role <= CuePathRole; ++role) {
        const QVariant value = row->data(0, role);
        if (value.isValid())
            copy->setData(0, role, value);
    }
    copy->setIcon(0, mediaFileIcon());
    markIfUnplayable(copy, copy->data(0, FilePathRole).toString());
    return copy;
}

bool TrackRow::isDuplicate(const QTreeWidgetItem *a, const QTreeWidgetItem *b)
{
    return a->data(0, FilePathRole).toString() == b->data(0, FilePathRole).toString()
        && qAbs(a->data(0, StartRole).toDouble() - b->data(0, StartRole).toDouble()) < 0.1
        && a->data(0, TitleRole).toString() == b->data(0, TitleRole).toString()
        && a->data(0, NumberRole).toInt() == b->data(0, NumberRole).toInt();
}

void TrackRow::renumber(QTreeWidget *list)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setText(3, QString::number(i + 1));
}

QTreeWidgetItem *TrackRow::findPlaying(QTreeWidget *list, const TrackInfo &track)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        if (row->data(0, FilePathRole).toString() == track.filePath
            && qAbs(row->data(0, StartRole).toDouble() - track.startSeconds) < 0.01)
            return row;
    }
    return nullptr;
}

bool TrackRow::contains(QTreeWidget *list, QTreeWidgetItem *row)
{
    return row && list->indexOfTopLevelItem(row) >= 0;
}
