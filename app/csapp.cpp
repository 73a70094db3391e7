#include "app/csapp.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString CSApp::appDirPath() const
{
    return QCoreApplication::applicationDirPath();
}

QString CSApp::dataPath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}
