#include "ui/views/fileassociation.h"

#include "ui/views/desktopassociation.h"

#include <QCoreApplication>
#include <QStandardPaths>

bool FileAssociation::registerCurrentUser()
{
    DesktopAssociation association(applicationName(), QCoreApplication::applicationFilePath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return association.install();
}
