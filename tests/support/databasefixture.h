#pragma once

#include <QTemporaryDir>

// Fresh working copies of both databases in a temporary data folder, made from the built
// templates through the real bootstrap, with a test application object installed.
class DatabaseFixture
{
public:
    DatabaseFixture();
    ~DatabaseFixture();

    bool isValid() const { return m_ok; }
    // Drops and reopens the connections, as a restart of the program does.
    bool restart();

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};
