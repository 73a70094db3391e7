#pragma once

#include <QLineEdit>
#include <QSize>

class QAction;

// A line edit with a clickable icon at its trailing end. A click on the icon and Return/Enter
// in the field both emit clicked().
class IconLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit IconLineEdit(QWidget *parent = nullptr);

    // Replaces the icon; a non-zero width also sets the size it is shown at.
    void setIcon(const QString &iconPath, int width = 0, int height = 0);

    QSize iconSize() const { return m_iconSize; }
    QAction *iconAction() const { return m_iconAction; }

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void refreshIcon();

    QAction *m_iconAction = nullptr;
    QSize m_iconSize { 24, 24 };
};
