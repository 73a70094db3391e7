#pragma once

#include <QString>
#include <QStringList>

// Registers the running program, for the current user, as a handler of the audio and CUE file
// types it plays. Each platform has its own way (the registry, or freedesktop desktop entries);
// every way can be run any number of times and leaves the same state.
class FileAssociation
{
public:
    // The handled extensions, lower case, without the dot, in registration order.
    static QStringList extensions();

    // The toolkit's application name, or the executable's name without its extension.
    static QString applicationName();

    // Registers the running executable. True when every write succeeded.
    static bool registerCurrentUser();
};
