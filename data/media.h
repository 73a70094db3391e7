#pragma once

#include <QObject>
#include <QString>

// One track of a playlist (table Media). Times are whole seconds; 0 and 0 mean the whole file.
class Media : public QObject
{
public:
    int id = 0;
    int libraryId = 0;
    QString name;
    QString path;
    int startPos = 0;
    int endPos = 0;
    QString album;
    QString author;
    int sortNum = 0;
};
