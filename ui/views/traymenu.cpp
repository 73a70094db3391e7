#include "ui/views/traymenu.h"

#include <QCoreApplication>

TrayMenu::TrayMenu(const GlyphIcon &glyphIcon, QWidget *parent)
    : QMenu(parent)
{
    // The entries belong to the main window's translations.
    const auto entry = [this, &glyphIcon](const char *text, const QString &glyph) {
        return addAction(glyphIcon(glyph), QCoreApplication::translate("MainWindow", text));
    };
    m_play = entry(QT_TRANSLATE_NOOP("MainWindow", "Play"), QStringLiteral("play"));
    m_pause = entry(QT_TRANSLATE_NOOP("MainWindow", "Pause"), QStringLiteral("pause"));
    addSeparator();
    m_previous = entry(QT_TRANSLATE_NOOP("MainWindow", "Previous"), QStringLiteral("prev"));
    m_next = entry(QT_TRANSLATE_NOOP("MainWindow", "Next"), QStringLiteral("next"));
    addSeparator();
    m_quit = entry(QT_TRANSLATE_NOOP("MainWindow", "Quit"), QStringLiteral("quit"));
    setStyleSheet(menuStyleSheet());
}

QString TrayMenu::menuStyleSheet()
{
    return QStringLiteral(
        "QMenu{  padding:4px;  background-color:#191c23;  border:1px solid "
        "#3a3257;}QMenu::item{  padding:8px 14px 8px 10px;  color:#b4afd0;  "
        "border:1px solid #191c23;}QMenu::item:selected{  "
        "background-color:#0164c9;  color:#fefefe;  border:1px solid "
        "#0171e4;}QMenu::separator{  height:1px;  background:#3a3257;  margin:4px "
        "8px;}");
}
