#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AboutView;
}

// The About dialog: name, version, maker and a link to the user guide, and the button that
// registers the program as the current user's handler of its file types. Created per use and run
// modally.
class AboutView : public QDialog
{
    Q_OBJECT
public:
    explicit AboutView(QWidget *parent = nullptr);
    ~AboutView() override;

    // The user guide installed beside the program (doc/README.md), as a file URL.
    static QString supportUrl();

public slots:
    void registerFileAssociations();

private:
    std::unique_ptr<Ui::AboutView> ui;
};
