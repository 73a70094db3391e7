#pragma once

#include <QMainWindow>
#include <QStringList>

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

public slots:
    // Files given on the command line or handed over by a later start.
    void openFiles(const QStringList &files);
};
