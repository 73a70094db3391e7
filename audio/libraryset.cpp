#include "audio/libraryset.h"

#include <QDebug>

LibrarySet::LibrarySet(const QStringList &fileNames)
{
    for (const QString &fileName : fileNames) {
        m_libraries.push_back(std::make_unique<QLibrary>(fileName));
        if (!m_libraries.back()->load()) {
            m_problem = m_libraries.back()->errorString();
            return;
        }
    }
    m_loaded = true;
}

QFunctionPointer LibrarySet::find(const char *name)
{
    QFunctionPointer found = nullptr;
    for (auto it = m_libraries.begin(); !found && it != m_libraries.end(); ++it)
        found = (*it)->resolve(name);
    if (!found && m_problem.isEmpty())
        m_problem = QStringLiteral("function %1 not found").arg(QLatin1String(name));
    return found;
}

void LibrarySet::warnUnavailable(const char *what) const
{
    qWarning().noquote() << what << "decoding is off:" << m_problem;
}
