#pragma once

#include "app/resourceinit.h"

#include <QString>

class QWidget;

// Styles a view with the theme's common stylesheet followed by its own. A name already applied
// is skipped unless reload is true (dialogs created anew each time pass true).
void applyStyleSheet(QWidget *widget, const QString &cssName, bool reload);

// The widget that last received the named stylesheet, or null.
QWidget *styleSheetOwner(const QString &cssName);

// The whole file as UTF-8, or an empty string when it cannot be opened. Works for resources.
QString readTextFile(const QString &path);

// Makes sure the directory exists (creating missing levels from the top) and returns the path.
QString makePath(const QString &path);

// One debug-output line: "**Debug** " + title + ": " + message.
void debugLog(const QString &title, const QString &message);
