#pragma once

#include "media/trackinfo.h"

#include <QVector>

class QTreeWidget;
class QTreeWidgetItem;

// The row layout shared by the current and the selected list: columns "Title", "Start",
// "Duration", "#", and the track under item data roles of column 0.
class TrackRow
{
public:
    enum Role {
        FilePathRole = Qt::UserRole,
        StartRole = Qt::UserRole + 1,
        DurationRole = Qt::UserRole + 2,
        FileTypeRole = Qt::UserRole + 3,
        TitleRole = Qt::UserRole + 4,
        NumberRole = Qt::UserRole + 5,
        WholeFileRole = Qt::UserRole + 6,
        MediaIdRole = Qt::UserRole + 7,
        CuePathRole = Qt::UserRole + 8,
    };

    // A row for a track. Whole-file rows show the file name and the running counter; from a
    // sheet (or files opened from outside) they store the base name and that counter, from a
    // folder the track's own title and number.
    static QTreeWidgetItem *make(const TrackInfo &track, int wholeFileCounter, bool fromFolder);

    // Replaces the list's rows with the tracks, quietly and in one repaint, scrolled to the top.
    static void fill(QTreeWidget *list, const QVector<TrackInfo> &tracks, bool fromFolder);

    // The track a row carries.
    static TrackInfo track(const QTreeWidgetItem *row);

    // A new row with the first three texts and every role of column 0 copied.
    static QTreeWidgetItem *copy(const QTreeWidgetItem *row);

    // Rows that stand for the same track: same file, starts less than 0.1 s apart, same
    // stored title and number.
    static bool isDuplicate(const QTreeWidgetItem *a, const QTreeWidgetItem *b);

    // Column "#" = 1, 2, ... in list order.
    static void renumber(QTreeWidget *list);

    // The first row of the list for the track: same file, start less than 0.01 s apart.
    static QTreeWidgetItem *findPlaying(QTreeWidget *list, const TrackInfo &track);

    static bool contains(QTreeWidget *list, QTreeWidgetItem *row);
};
