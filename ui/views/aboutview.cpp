#include "ui/views/aboutview.h"

#include "app/apputils.h"
#include "ui/mainwindow/windowframe.h"
#include "ui/views/fileassociation.h"
#include "ui_aboutview.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPushButton>
#include <QUrl>

AboutView::AboutView(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::AboutView>())
{
    ui->setupUi(this);
    applyStyleSheet(this, QStringLiteral("aboutview.css"), true);
    // The guide ships beside the program; a build without it shows no link.
    const bool haveGuide = QFileInfo::exists(QUrl(supportUrl()).toLocalFile());
    ui->lbSupport->setVisible(haveGuide);
    ui->btnLinkToWebsite->setVisible(haveGuide);
    ui->btnLinkToWebsite->setToolTip(QUrl(supportUrl()).toLocalFile());
    connect(ui->btnLinkToWebsite, &QPushButton::clicked, this,
        [] { QDesktopServices::openUrl(QUrl(supportUrl())); });
    connect(ui->btnAssociation, &QPushButton::clicked, this, &AboutView::registerFileAssociations);
    WindowFrame::setDarkFrame(this);
}

AboutView::~AboutView() = default;

QString AboutView::supportUrl()
{
    return QUrl::fromLocalFile(
        QCoreApplication::applicationDirPath() + QStringLiteral("/doc/README.md"))
        .toString();
}

// Reports nothing to the user: the outcome shows in the file manager's or shell's open-with list.
void AboutView::registerFileAssociations()
{
    FileAssociation::registerCurrentUser();
}
