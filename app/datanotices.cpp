#include "app/datanotices.h"

#include "app/configservice.h"
#include "data/databaseregistry.h"
#include "ui/views/messageboxview.h"

#include <QTimer>

namespace {
QString firstLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0);
}
} // namespace

bool DataNotices::bootstrap()
{
    BootstrapReport report;
    const bool ok = DatabaseRegistry::bootstrapDatabases(&report);
    QStringList told;
    for (const BootstrapReport::SetAside &entry : qAsConst(report.setAside)) {
        const QString text = entry.key
            ? tr("The settings database was damaged (%1). Quellin starts with default settings. "
                 "The old file is kept as:\n%2")
            : tr("The playlists database was damaged (%1). Quellin starts without playlists. "
                 "The old file is kept as:\n%2");
        told << text.arg(firstLine(entry.problem), entry.keptAs);
    }
    if (!ok)
        told << tr(
            "Quellin cannot prepare its data folder and will close.\n\nFolder: %1\nReason: %2")
                    .arg(report.failedFolder, report.failure);
    if (!told.isEmpty())
        MessageBoxView::information(told.join(QStringLiteral("\n\n")));
    return ok;
}

void DataNotices::watchSettings(ConfigService &config)
{
    config.setWriteFailedHandler([](const QString &reason) {
        const QString text = tr("Settings cannot be saved (%1). Changes made now last only until "
                                "Quellin closes.")
                                 .arg(firstLine(reason));
        QTimer::singleShot(0, qApp, [text]() { MessageBoxView::information(text); });
    });
}
