#pragma once

#include <QObject>
#include <QString>

// One configuration entry (table dict).
class Dict : public QObject
{
public:
    int dictId = 0;
    QString dictName;
    QString dictDesc;
    QString dictValue;
    int sortNum = 0;
};
