#include "ui/mainwindow/mprisrootadaptor_unix.h"

#include "ui/mainwindow/mprisservice_unix.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{ }

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return { QStringLiteral("application/x-cue"), QStringLiteral("audio/flac"),
        QStringLiteral("audio/x-wav"), QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-ape"),
        QStringLiteral("audio/x-wavpack"), QStringLiteral("audio/ogg"), QStringLiteral("audio/mp4"),
        QStringLiteral("audio/aac"), QStringLiteral("audio/x-aiff") };
}

void MprisRootAdaptor::Raise()
{
    m_service->raise();
}

void MprisRootAdaptor::Quit()
{
    m_service->quit();
}
