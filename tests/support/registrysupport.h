#pragma once

#include "ui/views/iregistry.h"

#include <QMap>
#include <QSet>
#include <QStringList>

// An in-memory registry hive with the real one's rules that matter here: key and value names
// ignore case, a set creates missing keys, a tree delete takes all subkeys, and reads or deletes
// of what is missing fail. Writes to chosen keys can be made to fail, and every call is logged.
class MemoryRegistry : public IRegistry
{
public:
    struct Value
    {
        ValueType type = ValueType::None;
        QString text;
    };

    bool deleteTree(const QString &subkey) override;
    bool deleteValue(const QString &subkey, const QString &name) override;
    bool readDefaultValue(const QString &subkey, ValueType *type, QString *text) override;
    bool setDefaultValue(const QString &subkey, const QString &text) override;
    bool setEmptyNamedValue(const QString &subkey, const QString &name) override;

    // Test set-up and inspection. The default value has the empty name.
    void putValue(const QString &subkey, const QString &name, ValueType type, const QString &text);
    bool hasKey(const QString &subkey) const;
    bool hasValue(const QString &subkey, const QString &name) const;
    Value value(const QString &subkey, const QString &name) const;
    void failWritesTo(const QString &subkey) { m_failing.insert(subkey.toLower()); }
    // Every key and value as "key|name" -> "type:text", keys as "key" -> "".
    QMap<QString, QString> snapshot() const;
    // One line per call: "set key|name=text", "none key|name", "deltree key", "delvalue key|name",
    // "read key"; failed writes end in " FAILED".
    QStringList log;

private:
    struct Key
    {
        QString path;
        QMap<QString, QPair<QString, Value>> values; // lower-case name -> (name, value)
    };
    bool write(const QString &subkey, const QString &name, const Value &value);

    QMap<QString, Key> m_keys; // lower-case path -> key
    QSet<QString> m_failing;
};
