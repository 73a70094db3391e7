#include "media/sourcefolders.h"

#include "app/configservice.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

namespace {
const QString kListKey = QStringLiteral("sourcePathList");
const QString kCurrentKey = QStringLiteral("sourcePath");
const QChar kOldSeparator = QLatin1Char('|');

// The list as a JSON array of strings, which holds any path; null when the text is not one.
bool fromJson(const QString &text, QStringList *list)
{
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    if (!doc.isArray())
        return false;
    const QJsonArray array = doc.array();
    for (const QJsonValue &value : array) {
        if (!value.isString())
            return false;
        list->append(value.toString());
    }
    return true;
}
} // namespace

SourceFolders::SourceFolders(ConfigService &config)
    : m_config(config)
{ }

QStringList SourceFolders::loadSourcePathList() const
{
    QStringList raw;
    const QString stored = m_config.value(kListKey, QString());
    if (!stored.isEmpty()) {
        // Earlier versions joined the folders with "|"; the next save writes the new form.
        if (!fromJson(stored, &raw))
            raw = stored.split(kOldSeparator, Qt::SkipEmptyParts);
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
    const QByteArray json =
        QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact);
    m_config.setValue(kListKey, list.isEmpty() ? QString() : QString::fromUtf8(json), QString());
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
    // A list in the old "|"-joined form is read once and kept in the new form from now on.
    const QString stored = m_config.value(kListKey, QString());
    QStringList ignored;
    if (!stored.isEmpty() && !fromJson(stored, &ignored))
        saveSourcePaths(loadSourcePathList(), current);
    return current;
}

QString SourceFolders::addFolder(const QString &folder)
{
    QString native = QDir::toNativeSeparators(folder);
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
    QString newCurrent = list.value(0);
    saveSourcePaths(list, newCurrent);
    return newCurrent;
}
