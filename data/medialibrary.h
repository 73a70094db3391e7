#pragma once

#include <QObject>
#include <QString>

// One playlist (table MediaLibrary).
class MediaLibrary : public QObject
{
public:
    int id = 0;
    QString name;
    int sortNum = 0;
};
