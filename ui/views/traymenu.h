#pragma once

#include <QMenu>
#include <functional>

class QAction;

// The tray icon's menu: play, pause, previous, next and quit, with glyph icons and the dark menu
// style. The owner connects the actions.
class TrayMenu : public QMenu
{
    Q_OBJECT
public:
    // Draws the icon of a glyph: "play", "pause", "prev", "next" or "quit".
    using GlyphIcon = std::function<QIcon(const QString &glyph)>;

    explicit TrayMenu(const GlyphIcon &glyphIcon, QWidget *parent = nullptr);

    static QString menuStyleSheet();

    QAction *playAction() const { return m_play; }
    QAction *pauseAction() const { return m_pause; }
    QAction *previousAction() const { return m_previous; }
    QAction *nextAction() const { return m_next; }
    QAction *quitAction() const { return m_quit; }

private:
    QAction *m_play = nullptr;
    QAction *m_pause = nullptr;
    QAction *m_previous = nullptr;
    QAction *m_next = nullptr;
    QAction *m_quit = nullptr;
};
