#pragma once

#include "app/resourceinit.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

class QPalette;
class QWidget;

// Styles a view with the theme's common stylesheet followed by its own. A name already applied
// is skipped unless reload is true (dialogs created anew each time pass true).
void applyStyleSheet(QWidget *widget, const QString &cssName, bool reload);

// The theme's colours as a palette, for every window and dialog the stylesheets do not paint
// (progress window, Qt's own dialogs): light text on the dark background.
QPalette darkPalette();

// The widget that last received the named stylesheet, or null.
QWidget *styleSheetOwner(const QString &cssName);

// The whole file as UTF-8, or an empty string when it cannot be opened. Works for resources.
QString readTextFile(const QString &path);

// Makes sure the directory exists (creating missing levels from the top) and returns the path.
QString makePath(const QString &path);

// The program's debug lines. Off in release builds; "QUELLIN_DEBUG=1" or the logging rule
// "quellin.debug=true" turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcQuellin)

// Turns the debug lines on when the environment asks for them with QUELLIN_DEBUG.
void enableDebugFromEnvironment();

// One debug-output line: "**Debug** " + title + ": " + message.
void debugLog(const QString &title, const QString &message);

// True when the user's preferred language (the first of QLocale::uiLanguages) is Chinese:
// only then are the Chinese translations installed.
bool prefersChinese(const QStringList &uiLanguages);
