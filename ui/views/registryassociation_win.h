#pragma once

#include <QString>

class IRegistry;

// The Windows association routine: removes what an earlier run wrote, then registers every
// handled extension under the program's ProgIDs, its Applications entry and its App Paths entry.
// It never touches the shell's per-extension UserChoice, so a default the user picked stays.
class RegistryAssociation
{
public:
    RegistryAssociation(IRegistry &registry, const QString &appName, const QString &exeName,
        const QString &exePath);

    QString progId(const QString &extension) const;
    QString iconString() const;
    QString openCommand() const;

    // Clean-up then registration. True when every registration write succeeded.
    bool run();

private:
    void cleanUp(const QString &extension);
    bool registerExtension(const QString &extension);

    IRegistry &m_registry;
    QString m_appName;
    QString m_exeName;
    QString m_exePath;
};
