#pragma once

#include "support/databasefixture.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class MainWindow;
class QTreeWidget;

namespace TestSupport {

// Runs action on the next modal widget once it shows (polled from the event loop), to answer a
// dialog run with exec(). Gives up after timeoutMs.
void whenModalShown(const std::function<void(QWidget *)> &action, int timeoutMs = 5000);

// Answers the next message box with its sure (or cancel) button; its text lands in the result.
// Gives up after timeoutMs, or when owner goes.
std::shared_ptr<QString> answerNextBox(
    bool sure = true, int timeoutMs = 5000, QObject *owner = nullptr);

// The texts of one column of the list's top-level rows.
QStringList columnTexts(const QTreeWidget *list, int column);

} // namespace TestSupport

// Fresh databases with the settings loaded: what a window test starts from.
class WindowFixture
{
public:
    WindowFixture();
    // Lets background work finish before the databases go.
    ~WindowFixture();
    bool isValid() const { return m_db.isValid(); }
    // As a restart of the program: the databases reopened, the settings loaded again.
    bool restart();
    // A new main window, shown and exposed; nullptr when it does not show.
    static std::unique_ptr<MainWindow> open();
    // Three tracks of `seconds` each from the start of one file, in the window's current list
    // and its engine's queue; the list is returned.
    static QTreeWidget *queueThreeTracks(MainWindow &window, const QString &path, double seconds);

private:
    DatabaseFixture m_db;
};

// The window's child of that object name.
template <typename T = QWidget> T *child(const QWidget &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}
