#include "ui/mainwindow/mainwindow.h"

#include "app/apputils.h"

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Quellin"));
    resize(1366, 768);
}

MainWindow::~MainWindow() = default;

void MainWindow::openFiles(const QStringList &files)
{
    debugLog(QStringLiteral("openFiles"), files.join(QLatin1Char('\n')));
}
