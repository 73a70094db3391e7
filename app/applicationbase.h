#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

// The process-wide application object: where the program lives, where its writable data
// goes, and which theme is in force.
class ApplicationBase : public QObject
{
public:
    ApplicationBase();
    ~ApplicationBase() override = default;

    virtual QString appDirPath() const = 0;
    virtual QString dataPath() const = 0;
    virtual QSize defaultWindowSize() const = 0;
    virtual void setWindowRect(const QRect &rect) = 0;
    virtual QRect windowRect() const = 0;

    QString themeName() const { return m_themeName; }
    QString commonStyleSheet() const { return m_commonStyleSheet; }

    // The process-wide instance, set once by start-up and deleted at its end.
    static ApplicationBase *instance();
    static void setInstance(ApplicationBase *app);
    static void deleteInstance();

private:
    QString m_themeName;
    QString m_commonStyleSheet;
};
