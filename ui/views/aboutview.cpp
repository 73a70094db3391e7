#include "ui/views/aboutview.h"

#include "app/apputils.h"
#include "ui/mainwindow/windowframe.h"
#include "ui/views/fileassociation.h"
#include "ui_aboutview.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

AboutView::AboutView(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::AboutView>())
{
    ui->setupUi(this);
    applyStyleSheet(this, QStringLiteral("aboutview.css"), true);
    connect(ui->btnLinkToWebsite, &QPushButton::clicked, this,
        [] { QDesktopServices::openUrl(QUrl(supportUrl())); });
    connect(ui->btnAssociation, &QPushButton::clicked, this, &AboutView::registerFileAssociations);
    WindowFrame::setDarkFrame(this);
}

AboutView::~AboutView() = default;

QString AboutView::supportUrl()
{
    return QStringLiteral("https://quellin.example.org/support");
}

// Reports nothing to the user: the outcome shows in the file manager's or shell's open-with list.
void AboutView::registerFileAssociations()
{
    FileAssociation::registerCurrentUser();
}
