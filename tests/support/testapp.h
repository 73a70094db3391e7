#pragma once

#include "app/applicationbase.h"

// An application object whose program and data folders a test chooses.
class TestApp : public ApplicationBase
{
public:
    TestApp(const QString &appDir, const QString &dataDir)
        : m_appDir(appDir)
        , m_dataDir(dataDir)
    { }

    QString appDirPath() const override { return m_appDir; }
    QString dataPath() const override { return m_dataDir; }
    QSize defaultWindowSize() const override { return QSize(1366, 768); }
    void setWindowRect(const QRect &rect) override { m_rect = rect; }
    QRect windowRect() const override { return m_rect; }

private:
    QString m_appDir;
    QString m_dataDir;
    QRect m_rect;
};
