#include "ui/views/fileassociation.h"

#include <QCoreApplication>
#include <QFileInfo>

QStringList FileAssociation::extensions()
{
    return { QStringLiteral("wav"), QStringLiteral("flac"), QStringLiteral("aac"),
        QStringLiteral("mp3"), QStringLiteral("ape"), QStringLiteral("m4a"), QStringLiteral("cue"),
        QStringLiteral("dts"), QStringLiteral("dsf"), QStringLiteral("wma"), QStringLiteral("ogg"),
        QStringLiteral("opus"), QStringLiteral("oga"), QStringLiteral("aiff"),
        QStringLiteral("aif"), QStringLiteral("aifc"), QStringLiteral("wv"), QStringLiteral("mka"),
        QStringLiteral("caf"), QStringLiteral("ac3") };
}

QString FileAssociation::applicationName()
{
    QString name = QCoreApplication::applicationName();
    if (!name.isEmpty())
        return name;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}
