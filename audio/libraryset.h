#pragma once

#include <QLibrary>
#include <QStringList>
#include <memory>
#include <type_traits>

// Shared libraries loaded together at run time, whose functions are looked up in all of them.
// They stay loaded until the process ends.
class LibrarySet
{
public:
    // Loads each library in turn; stops at the first that cannot be loaded.
    explicit LibrarySet(const QStringList &fileNames);

    bool isLoaded() const { return m_loaded; }
    // Why a library or a function is missing: the first problem met, empty while there is none.
    QString problem() const { return m_problem; }
    // Warns that the decoder named `what` is off and why; the next decoder is tried instead.
    void warnUnavailable(const char *what) const;
    // Sets `pointer` to the function `name` from the first library that has it; false (and a
    // null pointer) when none has.
    template <typename Pointer> bool resolve(Pointer &pointer, const char *name)
    {
        const QFunctionPointer found = find(name);
        pointer = reinterpret_cast<std::remove_reference_t<Pointer>>(found);
        return found != nullptr;
    }

private:
    QFunctionPointer find(const char *name);

    std::vector<std::unique_ptr<QLibrary>> m_libraries;
    bool m_loaded = false;
    QString m_problem;
};
