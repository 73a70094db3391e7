#include "ui/views/registryassociation_win.h"

#include "ui/views/fileassociation.h"
#include "ui/views/iregistry_win.h"

namespace {
const QString kClasses = QStringLiteral("Software\\Classes\\");
const QString kFileExts =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.");
const QString kAppPaths =
    QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");
const QString kOpenWith = QStringLiteral("\\OpenWithProgids");
} // namespace

RegistryAssociation::RegistryAssociation(
    IRegistry &registry, const QString &appName, const QString &exeName, const QString &exePath)
    : m_registry(registry)
    , m_appName(appName)
    , m_exeName(exeName)
    , m_exePath(exePath)
{ }

QString RegistryAssociation::progId(const QString &extension) const
{
    return m_appName + QLatin1Char('.') + extension;
}

QString RegistryAssociation::iconString() const
{
    return m_exePath + QStringLiteral(",0");
}

QString RegistryAssociation::openCommand() const
{
    return QLatin1Char('"') + m_exePath + QStringLiteral("\" \"%1\"");
}

bool RegistryAssociation::run()
{
    const QStringList extensions = FileAssociation::extensions();
    m_registry.deleteTree(kClasses + QStringLiteral("Applications\\") + m_exeName);
    for (const QString &extension : extensions)
        cleanUp(extension);
    bool ok = true;
    for (const QString &extension : extensions)
        ok = registerExtension(extension) && ok;
    return ok;
}

// Single failures here are expected (nothing to remove) and ignored.
void RegistryAssociation::cleanUp(const QString &extension)
{
    const QString id = progId(extension);
    const QString classKey = kClasses + QLatin1Char('.') + extension;
    m_registry.deleteTree(kClasses + id);
    m_registry.deleteValue(classKey + kOpenWith, id);
    m_registry.deleteValue(kFileExts + extension + kOpenWith, id);
    IRegistry::ValueType type = IRegistry::ValueType::None;
    QString current;
    if (m_registry.readDefaultValue(classKey, &type, &current)
        && type == IRegistry::ValueType::String && current == id)
        m_registry.setDefaultValue(classKey, QString());
}

// The first failed write ends this extension's steps.
bool RegistryAssociation::registerExtension(const QString &extension)
{
    const QString id = progId(extension);
    const QString classKey = kClasses + QLatin1Char('.') + extension;
    const QString progKey = kClasses + id;
    const QString appKey = kClasses + QStringLiteral("Applications\\") + m_exeName;
    return m_registry.setDefaultValue(classKey, id)
        && m_registry.setDefaultValue(progKey, m_appName + QStringLiteral(" Media File"))
        && m_registry.setDefaultValue(progKey + QStringLiteral("\\DefaultIcon"), iconString())
        && m_registry.setDefaultValue(
            progKey + QStringLiteral("\\shell\\open\\command"), openCommand())
        && m_registry.setEmptyNamedValue(classKey + kOpenWith, id)
        && m_registry.setEmptyNamedValue(kFileExts + extension + kOpenWith, id)
        && m_registry.setDefaultValue(appKey, m_appName)
        && m_registry.setDefaultValue(
            appKey + QStringLiteral("\\shell\\open\\command"), openCommand())
        && m_registry.setDefaultValue(appKey + QStringLiteral("\\DefaultIcon"), iconString())
        && m_registry.setEmptyNamedValue(
            appKey + QStringLiteral("\\SupportedTypes"), QLatin1Char('.') + extension)
        && m_registry.setDefaultValue(kAppPaths + m_exeName, m_exePath);
}
