#include "media/sourcefolders.h"

#include "app/configservice.h"

#include <QDir>

namespace {
const QString kListKey = QStringLiteral("sourcePathList");
const QString kCurrentKey = QStringLiteral("sourcePath");
const QChar kSeparator = QLatin1Char('|');
} // namespace

SourceFolders::SourceFolders(ConfigService &config)
    : m_config(config)
{ }

QStringList SourceFolders::loadSourcePathList() const
{
    QStringList raw;
    const QString joined = m_config.value(kListKey, QString());
    if (!joined.isEmpty()) {
        raw = joined.split(kSeparator, Qt::SkipEmptyParts);
    } else {
        const QString single = m_config.value(kCurrentKey, QString());
        if (!single.isEmpty())
            raw << single;
    }
    QStringList list;
    for (const QString &entry : qAsConst(raw)) {
        const QString native = QDir::toNativeSeparators(entry);
        if (!list.contains(native))
            list << native;
    }
    return list;
}

void SourceFolders::saveSourcePaths(const QStringList &list, const QString &current)
{
    m_config.setValue(kListKey, list.join(kSeparator), QString());
    m_config.setValue(kCurrentKey, current, QString());
}

QString SourceFolders::currentPath() const
{
    return m_config.value(kCurrentKey, QString());
}

void SourceFolders::setCurrentPath(const QString &path)
{
    m_config.setValue(kCurrentKey, QDir::toNativeSeparators(path), QString());
}

QString SourceFolders::startupPath()
{
    QString current = currentPath();
    if (current.isEmpty())
        current = loadSourcePathList().value(0);
    if (current.isEmpty())
        return QString();
    current = QDir::toNativeSeparators(current);
    setCurrentPath(current);
    return current;
}

QString SourceFolders::addFolder(const QString &folder)
{
    const QString native = QDir::toNativeSeparators(folder);
    QStringList list = loadSourcePathList();
    if (!list.contains(native))
        list << native;
    saveSourcePaths(list, native);
    return native;
}

QString SourceFolders::removeFolder(const QString &folder)
{
    QStringList list = loadSourcePathList();
    list.removeAll(folder);
    const QString newCurrent = list.value(0);
    saveSourcePaths(list, newCurrent);
    return newCurrent;
}
