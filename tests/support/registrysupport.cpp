#include "support/registrysupport.h"

bool MemoryRegistry::deleteTree(const QString &subkey)
{
    log << QStringLiteral("deltree ") + subkey;
    const QString path = subkey.toLower();
    bool found = false;
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == path || it.key().startsWith(path + QLatin1Char('\\'))) {
            it = m_keys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

bool MemoryRegistry::deleteValue(const QString &subkey, const QString &name)
{
    log << QStringLiteral("delvalue ") + subkey + QLatin1Char('|') + name;
    auto key = m_keys.find(subkey.toLower());
    if (key == m_keys.end())
        return false;
    return key->values.remove(name.toLower()) > 0;
}

bool MemoryRegistry::readDefaultValue(const QString &subkey, ValueType *type, QString *text)
{
    log << QStringLiteral("read ") + subkey;
    if (!hasValue(subkey, QString()))
        return false;
    const Value v = value(subkey, QString());
    if ((v.text.size() + 1) * 2 > 2048)
        return false;
    *type = v.type;
    *text = v.text;
    return true;
}

bool MemoryRegistry::setDefaultValue(const QString &subkey, const QString &text)
{
    const bool ok = write(subkey, QString(), Value { ValueType::String, text });
    log << QStringLiteral("set ") + subkey + QStringLiteral("|=") + text
            + (ok ? QString() : QStringLiteral(" FAILED"));
    return ok;
}

bool MemoryRegistry::setEmptyNamedValue(const QString &subkey, const QString &name)
{
    const bool ok = write(subkey, name, Value { ValueType::None, QString() });
    log << QStringLiteral("none ") + subkey + QLatin1Char('|') + name
            + (ok ? QString() : QStringLiteral(" FAILED"));
    return ok;
}

void MemoryRegistry::putValue(
    const QString &subkey, const QString &name, ValueType type, const QString &text)
{
    write(subkey, name, Value { type, text });
}

bool MemoryRegistry::hasKey(const QString &subkey) const
{
    return m_keys.contains(subkey.toLower());
}

bool MemoryRegistry::hasValue(const QString &subkey, const QString &name) const
{
    const auto key = m_keys.constFind(subkey.toLower());
    return key != m_keys.constEnd() && key->values.contains(name.toLower());
}

MemoryRegistry::Value MemoryRegistry::value(const QString &subkey, const QString &name) const
{
    const auto key = m_keys.constFind(subkey.toLower());
    if (key == m_keys.constEnd())
        return {};
    return key->values.value(name.toLower()).second;
}

QMap<QString, QString> MemoryRegistry::snapshot() const
{
    QMap<QString, QString> result;
    for (const Key &key : m_keys) {
        result.insert(key.path, QString());
        for (const auto &entry : key.values) {
            const QString type = entry.second.type == ValueType::String ? QStringLiteral("sz")
                : entry.second.type == ValueType::None                  ? QStringLiteral("none")
                                                                        : QStringLiteral("other");
            result.insert(key.path + QLatin1Char('|') + entry.first,
                type + QLatin1Char(':') + entry.second.text);
        }
    }
    return result;
}

bool MemoryRegistry::write(const QString &subkey, const QString &name, const Value &value)
{
    if (m_failing.contains(subkey.toLower()))
        return false;
    // Creating a key creates its missing parents, as RegCreateKeyEx does.
    const QStringList parts = subkey.split(QLatin1Char('\\'));
    QString path;
    for (const QString &part : parts) {
        path += (path.isEmpty() ? QString() : QStringLiteral("\\")) + part;
        if (!m_keys.contains(path.toLower()))
            m_keys.insert(path.toLower(), Key { path, {} });
    }
    m_keys[subkey.toLower()].values.insert(name.toLower(), qMakePair(name, value));
    return true;
}
