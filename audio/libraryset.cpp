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
    QFunctionPointer found = nullptr;
    for (auto it = m_libraries.begin(); !found && it != m_libraries.end(); ++it)
        found = (*it)->resolve(name);
    return found;
}
