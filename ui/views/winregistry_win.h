#pragma once

#include "ui/views/iregistry_win.h"

// The current user's hive of the real Windows registry.
class WinRegistry : public IRegistry
{
public:
    bool deleteTree(const QString &subkey) override;
    bool deleteValue(const QString &subkey, const QString &name) override;
    bool readDefaultValue(const QString &subkey, ValueType *type, QString *text) override;
    bool setDefaultValue(const QString &subkey, const QString &text) override;
    bool setEmptyNamedValue(const QString &subkey, const QString &name) override;
};
