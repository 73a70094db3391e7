#include "ui/views/winregistry_win.h"

#include <QVector>

#include <windows.h>

namespace {
const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// Opens (creating when missing) a key for setting values.
HKEY createKey(const QString &subkey)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, wide(subkey), 0, nullptr, REG_OPTION_NON_VOLATILE,
            KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return nullptr;
    return key;
}
} // namespace

bool WinRegistry::deleteTree(const QString &subkey)
{
    return RegDeleteTreeW(HKEY_CURRENT_USER, wide(subkey)) == ERROR_SUCCESS;
}

bool WinRegistry::deleteValue(const QString &subkey, const QString &name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(subkey), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    const bool ok = RegDeleteValueW(key, wide(name)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool WinRegistry::readDefaultValue(const QString &subkey, ValueType *type, QString *text)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(subkey), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    // 2048 bytes of data plus room for a terminator the stored value may lack.
    QVector<wchar_t> buffer(1024 + 1, L'\0');
    DWORD valueType = REG_NONE;
    DWORD size = 2048;
    const LSTATUS status = RegQueryValueExW(
        key, nullptr, nullptr, &valueType, reinterpret_cast<BYTE *>(buffer.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return false;
    if (valueType == REG_SZ) {
        *type = ValueType::String;
        int length = static_cast<int>(size / sizeof(wchar_t));
        while (length > 0 && buffer[length - 1] == L'\0')
            --length;
        *text = QString::fromWCharArray(buffer.constData(), length);
    } else {
        *type = valueType == REG_NONE ? ValueType::None : ValueType::Other;
        text->clear();
    }
    return true;
}

bool WinRegistry::setDefaultValue(const QString &subkey, const QString &text)
{
    HKEY key = createKey(subkey);
    if (!key)
        return false;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    const bool ok =
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(wide(text)), bytes)
        == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool WinRegistry::setEmptyNamedValue(const QString &subkey, const QString &name)
{
    HKEY key = createKey(subkey);
    if (!key)
        return false;
    const bool ok = RegSetValueExW(key, wide(name), 0, REG_NONE, nullptr, 0) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}
