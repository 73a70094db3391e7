#pragma once

#include <QString>

// The few operations the file association needs on the current user's registry hive. Key paths
// are relative to HKEY_CURRENT_USER, with backslash separators.
class IRegistry
{
public:
    enum class ValueType { String, None, Other };

    virtual ~IRegistry() = default;

    // Removes a key with all its subkeys and values.
    virtual bool deleteTree(const QString &subkey) = 0;
    // Removes one named value of an existing key; a missing key or value is a failure.
    virtual bool deleteValue(const QString &subkey, const QString &name) = 0;
    // The key's default value, when it exists and fits in 2048 bytes.
    virtual bool readDefaultValue(const QString &subkey, ValueType *type, QString *text) = 0;
    // Creates the key if needed and sets its default value to a string.
    virtual bool setDefaultValue(const QString &subkey, const QString &text) = 0;
    // Creates the key if needed and sets a named value of type none, without data.
    virtual bool setEmptyNamedValue(const QString &subkey, const QString &name) = 0;
};
