#pragma once

#include "app/applicationbase.h"

class CSApp : public ApplicationBase
{
    Q_OBJECT
public:
    CSApp() = default;

    QString appDirPath() const override;
    QString dataPath() const override;
    QSize defaultWindowSize() const override { return QSize(1366, 768); }
    void setWindowRect(const QRect &rect) override { m_windowRect = rect; }
    QRect windowRect() const override { return m_windowRect; }

private:
    QRect m_windowRect;
};
