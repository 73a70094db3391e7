#pragma once

#include <QStringList>

// Collects the debug output written while it exists (one capture at a time).
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    // The lines that start with prefix.
    QStringList linesStartingWith(const QString &prefix) const;
};
