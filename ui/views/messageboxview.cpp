#include "ui/views/messageboxview.h"

#include "app/apputils.h"
#include "ui_messageboxview.h"

MessageBoxView::MessageBoxView(QWidget *parent)
    : DialogBase(parent)
    , ui(new Ui::MessageBoxView)
{
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    // Each box is new, so the sheet must be applied again even though an earlier box had it.
    applyStyleSheet(this, QStringLiteral("messageboxview.css"), true);
    connect(ui->btnSure, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

MessageBoxView::~MessageBoxView()
{
    delete ui;
}

void MessageBoxView::setMessage(
    const QString &content, const QString &sureText, const QString &title)
{
    ui->lbMessageBoxContent->setText(content);
    if (!sureText.isEmpty())
        ui->btnSure->setText(sureText);
    if (!title.isEmpty())
        ui->lbFormTitle->setText(title);
}

int MessageBoxView::run(
    const QString &title, const QString &content, const QString &sureText, bool withCancel)
{
    MessageBoxView box(nullptr);
    box.setMessage(content, sureText, title);
    box.ui->btnCancel->setVisible(withCancel);
    return box.exec();
}

bool MessageBoxView::confirm(
    QWidget *parent, const QString &title, const QString &content, const QString &sureText)
{
    Q_UNUSED(parent)
    return run(title, content, sureText, true) == QDialog::Accepted;
}

void MessageBoxView::information(
    const QString &content, const QString &sureText, const QString &title)
{
    run(title, content, sureText, false);
}
