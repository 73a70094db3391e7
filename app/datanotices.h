#pragma once

#include <QCoreApplication>

class ConfigService;

// Tells the user, through the message box, what went wrong with the databases: a data folder
// that cannot be prepared, a damaged database kept aside and replaced, a setting that cannot be
// written. Needs the application object and the database registry; no window.
class DataNotices
{
    Q_DECLARE_TR_FUNCTIONS(DataNotices)
public:
    // Runs the database bootstrap and tells, in one message, what it set aside. False when
    // start-up cannot go on; the user has then been told which folder failed and why.
    static bool bootstrap();

    // The first failed write of a setting is told once, on the next turn of the event loop.
    static void watchSettings(ConfigService &config);
};
