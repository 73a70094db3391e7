#pragma once

#include <QColor>
#include <QPushButton>

class QFrame;
class QSlider;

// A speaker button for a row with no room for a slider: a click opens a vertical volume slider
// below it, the wheel over the button steps the volume, and the glyph shows when it is muted.
class VolumeButton : public QPushButton
{
    Q_OBJECT
public:
    explicit VolumeButton(QWidget *parent = nullptr);

    // The slider in the popup (0..100), named "hsVolume".
    QSlider *slider() const { return m_slider; }
    void setGlyphColor(const QColor &color);
    void showPopup();
    // Redraws the glyph and tooltip from the slider (after a change with its signals blocked).
    void refresh();

protected:
    void wheelEvent(QWheelEvent *event) override;

private:
    QFrame *m_popup = nullptr;
    QSlider *m_slider = nullptr;
    QColor m_glyphColor = Qt::white;
    int m_wheelRemainder = 0;
};
