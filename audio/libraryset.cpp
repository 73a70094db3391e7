#include "audio/libraryset.h"

LibrarySet::LibrarySet(const QStringList &fileNames)
{
    for (const QString &fileName : fileNames) {
        m_libraries.push_back(std::make_unique<QLibrary>(fileName));
        if (!m_libraries.back()->load())
            return;
    }
    m_loaded = true;
}

QFunctionPointer LibrarySet::find(const char *name)
{
    for (const auto &library : m_libraries) {
        if (const QFunctionPointer found = library->resolve(name))
            return found;
    }
    return nullptr;
}
