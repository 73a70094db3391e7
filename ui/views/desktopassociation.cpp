#include "ui/views/desktopassociation.h"

#include "app/apputils.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextCodec>

namespace {
const QString kAddedGroup = QStringLiteral("[Added Associations]");
const QString kIconResource = QStringLiteral(":/resources/ui/images/default/common/icon.png");
constexpr qint64 kMaxListBytes = 4 * 1024 * 1024;

// Escapes of the desktop entry's string values.
QString escapeValue(QString text)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return text;
}

// One quoted argument of an Exec line, before the string escapes.
QString quoteArgument(const QString &argument)
{
    QString quoted;
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
            || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Leaves the file alone when it already holds exactly these bytes.
bool writeIfChanged(const QString &path, const QByteArray &bytes)
{
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.size() == bytes.size()
        && current.readAll() == bytes)
        return true;
    current.close();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

bool isKeyLine(const QString &line, const QString &key)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq > 0 && !line.trimmed().startsWith(QLatin1Char('#')) && line.left(eq).trimmed() == key;
}

// The list's text with desktopId added to each type's entry of "Added Associations". Every other
// line, group and order stays as it was.
QString withAddedAssociations(
    const QString &text, const QString &desktopId, const QStringList &types)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    int groupStart = -1;
    int groupEnd = lines.size();
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].trimmed().startsWith(QLatin1Char('[')))
            continue;
        if (groupStart >= 0) {
            groupEnd = i;
            break;
        }
        if (lines[i].trimmed() == kAddedGroup)
            groupStart = i;
    }
    if (groupStart < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << kAddedGroup;
        groupStart = lines.size() - 1;
        groupEnd = lines.size();
    }
    for (const QString &type : types) {
        int keyLine = -1;
        for (int i = groupStart + 1; i < groupEnd && keyLine < 0; ++i) {
            if (isKeyLine(lines[i], type))
                keyLine = i;
        }
        if (keyLine >= 0) {
            QString &line = lines[keyLine];
            const int eq = line.indexOf(QLatin1Char('='));
            QString value = line.mid(eq + 1).trimmed();
            const QStringList ids = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
            bool listed = false;
            for (const QString &id : ids)
                listed = listed || id.trimmed() == desktopId;
            if (listed)
                continue;
            if (!value.isEmpty() && !value.endsWith(QLatin1Char(';')))
                value += QLatin1Char(';');
            line = line.left(eq + 1) + value + desktopId + QLatin1Char(';');
            continue;
        }
        int insertAt = groupEnd;
        while (insertAt > groupStart + 1 && lines[insertAt - 1].trimmed().isEmpty())
            --insertAt;
        lines.insert(insertAt, type + QLatin1Char('=') + desktopId + QLatin1Char(';'));
        ++groupEnd;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
} // namespace

DesktopAssociation::DesktopAssociation(const QString &appName, const QString &programPath,
    const QString &dataHome, const QString &configHome)
    : m_appName(appName)
    , m_programPath(programPath)
    , m_dataHome(dataHome)
    , m_configHome(configHome)
{ }

QStringList DesktopAssociation::mimeTypes()
{
    // Canonical shared-mime-info names of the handled extensions, in extension order.
    return { QStringLiteral("audio/x-wav"), QStringLiteral("audio/flac"),
        QStringLiteral("audio/aac"), QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-ape"),
        QStringLiteral("audio/mp4"), QStringLiteral("application/x-cue"),
        QStringLiteral("audio/vnd.dts"), QStringLiteral("audio/x-dsf"),
        QStringLiteral("audio/x-ms-wma"), QStringLiteral("audio/ogg"),
        QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/x-opus+ogg"),
        QStringLiteral("audio/x-flac+ogg"), QStringLiteral("audio/x-aiff"),
        QStringLiteral("audio/x-aifc"), QStringLiteral("audio/x-wavpack"),
        QStringLiteral("audio/x-matroska"), QStringLiteral("audio/x-caf"),
        QStringLiteral("audio/ac3") };
}

QString DesktopAssociation::desktopId() const
{
    QString id = m_appName.toLower();
    id.replace(QRegularExpression(QStringLiteral("[^a-z0-9._-]")), QStringLiteral("-"));
    return (id.isEmpty() ? QStringLiteral("quellin") : id) + QStringLiteral(".desktop");
}

QString DesktopAssociation::desktopFilePath() const
{
    return m_dataHome + QStringLiteral("/applications/") + desktopId();
}

QString DesktopAssociation::iconFilePath() const
{
    return m_dataHome + QStringLiteral("/icons/hicolor/256x256/apps/")
        + QFileInfo(desktopId()).completeBaseName() + QStringLiteral(".png");
}

QString DesktopAssociation::mimeAppsPath() const
{
    return m_configHome + QStringLiteral("/mimeapps.list");
}

QByteArray DesktopAssociation::desktopEntry() const
{
    const QString program = QFileInfo(m_programPath).absoluteFilePath();
    QString entry =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=%1\n"
                       "GenericName=Music Player\n"
                       "Comment=Play albums kept as one audio file with a CUE sheet\n"
                       "TryExec=%2\n"
                       "Exec=%3 %F\n"
                       "Icon=%4\n"
                       "Terminal=false\n"
                       "Categories=AudioVideo;Audio;Player;\n"
                       "MimeType=%5;\n")
            .arg(escapeValue(m_appName), escapeValue(program), escapeValue(quoteArgument(program)),
                QFileInfo(desktopId()).completeBaseName(), mimeTypes().join(QLatin1Char(';')));
    return entry.toUtf8();
}

bool DesktopAssociation::install() const
{
    const QString applications = makePath(m_dataHome + QStringLiteral("/applications"));
    makePath(QFileInfo(iconFilePath()).absolutePath());
    makePath(m_configHome);

    QFile icon(kIconResource);
    const QByteArray iconBytes = icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray();
    bool ok = !iconBytes.isEmpty() && writeIfChanged(iconFilePath(), iconBytes);
    ok = writeIfChanged(desktopFilePath(), desktopEntry()) && ok;
    ok = updateMimeAppsList() && ok;

    const QString updater =
        QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (!updater.isEmpty()) {
        QProcess process;
        process.start(updater, { QStringLiteral("-q"), applications });
        if (process.waitForStarted(5000) && !process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
    return ok;
}

bool DesktopAssociation::updateMimeAppsList() const
{
    QString text;
    QFile file(mimeAppsPath());
    if (file.exists()) {
        // A list that cannot be read whole and as UTF-8 is left untouched rather than replaced.
        if (file.size() > kMaxListBytes || !file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = file.readAll();
        QTextCodec::ConverterState state;
        text =
            QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
        if (state.invalidChars > 0)
            return false;
        file.close();
    }
    return writeIfChanged(
        mimeAppsPath(), withAddedAssociations(text, desktopId(), mimeTypes()).toUtf8());
}
