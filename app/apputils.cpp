#include "app/apputils.h"

#include "app/applicationbase.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHash>
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

void debugLog(const QString &title, const QString &message)
{
    qDebug().noquote().nospace() << "**Debug** " << title << ": " << message;
}
