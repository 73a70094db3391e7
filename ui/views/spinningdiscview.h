#pragma once

#include "ui/views/backdrop.h"
#include "ui/views/discmotion.h"

#include <QColor>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class DiscGeometry;

// The centre of the playing page: a vinyl record with the cover as its turning label and a tone
// arm. While playing the label turns and the arm rests on the record; stopped, the label halts
// and the arm swings back. It also offers two colours taken from the cover for the theme.
//
// The parts that never move (what the page paints behind the view, record, glow, rim, sheen,
// grooves) are drawn once per size into an opaque pixmap; the label is a cached round pixmap and
// the resting arm another, so a frame only rotates the label between two copies. The timer runs
// only while something moves and the view is shown.
class SpinningDiscView : public QWidget
{
    Q_OBJECT
public:
    explicit SpinningDiscView(QWidget *parent = nullptr);
    ~SpinningDiscView() override;

    QSize sizeHint() const override { return QSize(360, 360); }
    QSize minimumSizeHint() const override { return QSize(360, 360); }

    // The window passes the placeholder picture with isDefault true.
    void setCover(const QPixmap &cover, bool isDefault);
    QPixmap cover() const { return m_cover; }
    QColor primaryColor() const { return m_primaryColor; }
    QColor secondaryColor() const { return m_secondaryColor; }
    bool isDefaultCover() const { return m_isDefaultCover; }
    void setRingColor(const QColor &color);
    QColor ringColor() const { return m_ringColor; }

    void startSpin();
    void stopSpin();
    // What lies behind the view was painted anew (another theme colour).
    void backdropChanged();

    bool isAnimating() const { return m_timer.isActive(); }
    const DiscMotion &motion() const { return m_motion; }
    // The round label as last drawn, and the logical cover size it was made for.
    QPixmap labelCache() const { return m_labelCache; }
    QSize labelCacheSize() const { return m_labelCacheSize; }
    QPixmap backgroundCache() const { return m_background; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void animate();
    void resumeTimer();
    void ensureBackground(const DiscGeometry &geometry, qreal ratio);
    void ensureLabel(const DiscGeometry &geometry, qreal ratio);
    void paintArm(QPainter &painter, const DiscGeometry &geometry, qreal ratio);
    void drawArm(QPainter &painter, const DiscGeometry &geometry) const;

    QPixmap m_cover;
    QPixmap m_labelCache;
    QSize m_labelCacheSize;
    double m_labelCacheRatio = 1.0;
    bool m_isDefaultCover = false;
    QTimer m_timer;
    bool m_hidden = false;
    float m_paintedLabelAngle = 0;
    DiscMotion m_motion;
    QColor m_primaryColor { 60, 60, 60 };
    QColor m_secondaryColor { 60, 60, 60 };
    QColor m_ringColor { 50, 50, 50 };
    // Backdrop, record and grooves drawn for one widget size, ratio, ring colour and palette.
    QPixmap m_background;
    bool m_backgroundValid = false;
    qint64 m_backdropKey = 0;
    Backdrop m_backdrop;
    // The arm at rest, for one angle and size; empty while it swings.
    QPixmap m_arm;
    QPointF m_armOrigin;
    float m_armAngle = 0;
    QSize m_armSize;
};
