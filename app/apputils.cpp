#include "app/apputils.h"

#include "app/applicationbase.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QPalette>
#include <QPointer>
#include <QWidget>

namespace {
QHash<QString, QPointer<QWidget>> &styleRegistry()
{
    static QHash<QString, QPointer<QWidget>> registry;
    return registry;
}
} // namespace

void applyStyleSheet(QWidget *widget, const QString &cssName, bool reload)
{
    auto &registry = styleRegistry();
    if (registry.contains(cssName)) {
        if (!reload)
            return;
        registry.remove(cssName);
    }
    registry.insert(cssName, widget);
    ApplicationBase *app = ApplicationBase::instance();
    if (!app || !widget)
        return;
    const QString own = readTextFile(
        QStringLiteral(":/resources/ui/theme/") + app->themeName() + QLatin1Char('/') + cssName);
    widget->setStyleSheet(app->commonStyleSheet() + QStringLiteral("\r\n") + own);
}

QWidget *styleSheetOwner(const QString &cssName)
{
    return styleRegistry().value(cssName);
}

QString readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString makePath(const QString &path)
{
    if (path.isEmpty() || QDir(path).exists())
        return path;
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        QDir().mkdir(path);
        return path;
    }
    const QString parent = makePath(path.left(slash));
    const QString last = path.mid(slash + 1);
    if (!last.isEmpty())
        QDir(parent.isEmpty() ? QStringLiteral("/") : parent).mkdir(last);
    return parent + QLatin1Char('/') + last;
}

QPalette darkPalette()
{
    const QColor window(0x1f, 0x23, 0x2b);
    const QColor base(0x1d, 0x21, 0x2b);
    const QColor text(0xfe, 0xfe, 0xfe);
    const QColor muted(0x8a, 0x86, 0xa0);
    QPalette palette(window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window.lighter(115));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x26, 0x2b, 0x36));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, muted);
    palette.setColor(QPalette::Highlight, QColor(0x01, 0x64, 0xc9));
    palette.setColor(QPalette::HighlightedText, text);
    palette.setColor(QPalette::Link, QColor(0x5a, 0xa9, 0xf0));
    palette.setColor(QPalette::LinkVisited, QColor(0xb4, 0xaf, 0xd0));
    for (QPalette::ColorRole role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        palette.setColor(QPalette::Disabled, role, muted);
    return palette;
}

#ifdef NDEBUG
Q_LOGGING_CATEGORY(lcQuellin, "quellin", QtInfoMsg)
#else
Q_LOGGING_CATEGORY(lcQuellin, "quellin")
#endif

void enableDebugFromEnvironment()
{
    const QByteArray value = qgetenv("QUELLIN_DEBUG");
    if (!value.isEmpty() && value != "0")
        QLoggingCategory::setFilterRules(QStringLiteral("quellin.debug=true"));
}

void debugLog(const QString &title, const QString &message)
{
    qCDebug(lcQuellin).noquote().nospace() << "**Debug** " << title << ": " << message;
}

bool prefersChinese(const QStringList &uiLanguages)
{
    if (uiLanguages.isEmpty())
        return false;
    const QString first = uiLanguages.first();
    return first.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0
        || first.startsWith(QLatin1String("zh-"), Qt::CaseInsensitive)
        || first.startsWith(QLatin1String("zh_"), Qt::CaseInsensitive);
}
