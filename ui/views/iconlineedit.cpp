#include "ui/views/iconlineedit.h"

#include <QAction>
#include <QKeyEvent>
#include <QStyle>

IconLineEdit::IconLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    m_iconAction = new QAction(this);
    addAction(m_iconAction, QLineEdit::TrailingPosition);
    connect(m_iconAction, &QAction::triggered, this, &IconLineEdit::clicked);
}

void IconLineEdit::showEvent(QShowEvent *event)
{
    // The style's folder icon means a search of the icon theme, a few ms of the start: only for
    // a field shown without an icon of its own.
    if (m_iconAction->icon().isNull()) {
        m_iconAction->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        refreshIcon();
    }
    QLineEdit::showEvent(event);
}

void IconLineEdit::setIcon(const QString &iconPath, int width, int height)
{
    m_iconAction->setIcon(QIcon(iconPath));
    if (width != 0)
        m_iconSize = QSize(width, height);
    refreshIcon();
}

void IconLineEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void IconLineEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    refreshIcon();
}

void IconLineEdit::refreshIcon()
{
    // Render at the stored size, so the icon looks the same whatever its source's size.
    const QIcon icon = m_iconAction->icon();
    if (icon.isNull())
        return;
    m_iconAction->setIcon(QIcon(icon.pixmap(m_iconSize, QIcon::Normal, QIcon::Off)));
}
