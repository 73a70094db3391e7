#pragma once

#include <QDialog>
#include <QPoint>

// A dialog the user moves by dragging anywhere on it with the left button, for dialogs that
// have no system frame.
class DialogBase : public QDialog
{
    Q_OBJECT
public:
    explicit DialogBase(QWidget *parent = nullptr);

    bool isDragging() const { return m_dragging; }
    QPoint dragOffset() const { return m_dragOffset; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    bool m_dragging = false;
    QPoint m_dragOffset;
};
