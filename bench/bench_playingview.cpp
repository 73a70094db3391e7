// CPU of the process while a track plays with the playing page shown, and screenshots of the
// library page and of the playing page with a real cover and with the placeholder. Audio goes
// to the default output (PULSE_SERVER); without one the disc still turns but nothing plays.
//
//   bench_playingview [--seconds N] [--cover IMAGE] [--shots DIR]
//
// Run it under Xvfb to measure what a real display costs:
//   xvfb-run -a -s "-screen 0 1280x800x24 -noreset" build/bench/bench_playingview
#include "app/applicationbase.h"
#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "data/databaseregistry.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/views/spinningdiscview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <sys/resource.h>

namespace {
// Program folder with the database templates (the built bin/ beside bench/), data in a
// temporary folder so the user's settings stay untouched.
class BenchApp : public ApplicationBase
{
public:
    explicit BenchApp(const QString &dataDir)
        : m_dataDir(dataDir)
    { }
    QString appDirPath() const override
    {
        return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin"))
            .absolutePath();
    }
    QString dataPath() const override { return m_dataDir; }
    QSize defaultWindowSize() const override { return QSize(1366, 768); }
    void setWindowRect(const QRect &rect) override { m_rect = rect; }
    QRect windowRect() const override { return m_rect; }

private:
    QString m_dataDir;
    QRect m_rect;
};

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop (sleeping while idle, as the program does) for ms milliseconds.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A stand-in album cover: diagonal colour bands with a title block.
QString makeDemoCover(const QString &folder)
{
    QImage image(600, 600, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 600, 600);
    sky.setColorAt(0, QColor(232, 96, 60));
    sky.setColorAt(0.55, QColor(150, 40, 70));
    sky.setColorAt(1, QColor(40, 24, 60));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(250, 200, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(300, 330), 120, 120);
    p.fillRect(QRect(0, 420, 600, 180), QColor(30, 20, 45));
    p.setPen(QColor(250, 240, 230));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 40, QFont::Bold));
    p.drawText(QRect(0, 440, 600, 120), Qt::AlignCenter, QStringLiteral("SUNSET"));
    p.end();
    const QString path = folder + QStringLiteral("/cover.png");
    image.save(path);
    return path;
}

// A 60 s two-tone album file made with ffmpeg; empty when ffmpeg is missing.
QString makeAlbum(const QString &folder)
{
    const QString path = folder + QStringLiteral("/album.flac");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
        { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("aevalsrc=exprs='0.4*sin(2*PI*330*t)*(0.6+0.4*sin(2*PI*0.5*t))|"
                           "0.4*sin(2*PI*440*t)':s=44100:d=60"),
            path });
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return QString();
    return path;
}

// A sheet for the album, as a ripper writes it.
QString writeSheet(const QString &folder, const QString &albumPath)
{
    const QString path = folder + QStringLiteral("/Evening Sessions.cue");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("PERFORMER \"The Harbour Quartet\"\nTITLE \"Evening Sessions\"\n");
        file.write("FILE \"" + QFileInfo(albumPath).fileName().toUtf8() + "\" WAVE\n");
        const char *titles[] = { "Evening Light", "Harbour Lights", "Last Ferry" };
        for (int i = 0; i < 3; ++i) {
            file.write(QStringLiteral("  TRACK %1 AUDIO\n    TITLE \"%2\"\n    INDEX 01 00:%3:00\n")
                           .arg(i + 1, 2, 10, QLatin1Char('0'))
                           .arg(QString::fromLatin1(titles[i]))
                           .arg(20 * i, 2, 10, QLatin1Char('0'))
                           .toUtf8());
        }
    }
    return path;
}

QVector<TrackInfo> albumTracks(const QString &path)
{
    QVector<TrackInfo> tracks;
    const char *titles[] = { "Evening Light", "Harbour Lights", "Last Ferry" };
    for (int i = 0; i < 3; ++i) {
        TrackInfo t;
        t.number = i + 1;
        t.title = QString::fromLatin1(titles[i]);
        t.startSeconds = 20.0 * i;
        t.durationSeconds = 20.0;
        t.filePath = path;
        t.fileType = QStringLiteral("flac");
        tracks << t;
    }
    return tracks;
}

void settleCover()
{
    QThreadPool::globalInstance()->waitForDone();
    runFor(200);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({ QStringLiteral("seconds"), QStringLiteral("Measuring time."),
        QStringLiteral("n"), QStringLiteral("20") });
    parser.addOption({ QStringLiteral("cover"), QStringLiteral("Cover image to show."),
        QStringLiteral("image") });
    parser.addOption({ QStringLiteral("shots"), QStringLiteral("Folder for screenshots."),
        QStringLiteral("dir") });
    parser.process(app);

    QTemporaryDir data;
    ApplicationBase::setInstance(new BenchApp(data.path()));
    DatabaseRegistry::create();
    if (!DatabaseRegistry::bootstrapDatabases()) {
        std::fprintf(stderr, "no database templates beside %s\n",
            qPrintable(ApplicationBase::instance()->appDirPath()));
        return 1;
    }
    ConfigService::instance()->load();

    // A small library: a sheet album with its cover and a folder of loose files, shown as the
    // source folder.
    QTemporaryDir album;
    const QString music = album.path() + QStringLiteral("/Music");
    QString coverPath = parser.value(QStringLiteral("cover"));
    if (coverPath.isEmpty())
        coverPath = makeDemoCover(album.path());
    QString coverFolder = music + QStringLiteral("/Evening Sessions");
    QDir().mkpath(coverFolder);
    QFile::copy(coverPath, coverFolder + QStringLiteral("/cover.png"));
    const QString emptyFolder = music + QStringLiteral("/Field Recordings");
    QDir().mkpath(emptyFolder);
    const QString albumPath = makeAlbum(coverFolder);
    const QString sheet = writeSheet(coverFolder, albumPath);
    QFile::copy(albumPath, emptyFolder + QStringLiteral("/Morning Birds.flac"));
    QFile::copy(albumPath, emptyFolder + QStringLiteral("/Rain on the Roof.flac"));
    ConfigService::instance()->setValue(QStringLiteral("sourcePathList"), music);
    ConfigService::instance()->setValue(QStringLiteral("sourcePath"), music);

    {
        MainWindow window;
        window.resize(1167, 680);
        window.show();
        runFor(500);

        // The album sits beside its cover, so starting a track finds the cover as the program
        // does; the empty folder gives the placeholder.
        PlaybackEngine *engine = window.playbackEngine();
        engine->setPlayQueue(albumTracks(albumPath));

        const QString shots = parser.value(QStringLiteral("shots"));
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            window.loadCover(emptyFolder, true);
            settleCover();
            window.showPlayingView();
            runFor(300);
            // The grain makes PNG large; JPEG keeps these small.
            window.grab().save(shots + QStringLiteral("/playing-placeholder.jpg"), "JPG", 88);
            window.showLibraryView();
            // The sheet opened as from the file manager; two of its tracks on the export list.
            window.openFiles({ sheet });
            auto *current = window.findChild<QTreeWidget *>(QStringLiteral("twCurrentMusicView"));
            auto *selected = window.findChild<QTreeWidget *>(QStringLiteral("twSelectedMusicView"));
            // Opening is planned in the background; wait for the list (at most 5 s).
            for (int waited = 0; current->topLevelItemCount() < 3 && waited < 5000; waited += 50)
                runFor(50);
            for (int row : { 1, 2 }) {
                if (QTreeWidgetItem *item = current->topLevelItem(row)) {
                    QTreeWidgetItem *copy = item->clone();
                    copy->setText(3, QString::number(selected->topLevelItemCount() + 1));
                    selected->addTopLevelItem(copy);
                }
            }
            settleCover();
            window.showLibraryView();
        } else {
            engine->playNext();
        }
        settleCover();
        if (!engine->isPlaying())
            window.findChild<SpinningDiscView *>()->startSpin();
        runFor(1500);
        if (!shots.isEmpty())
            window.grab().save(shots + QStringLiteral("/library.png"));
        window.showPlayingView();
        runFor(2500);
        if (!shots.isEmpty())
            window.grab().save(shots + QStringLiteral("/playing-cover.jpg"), "JPG", 88);

        const int seconds = parser.value(QStringLiteral("seconds")).toInt();
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        runFor(seconds * 1000);
        const double cpu = cpuSeconds() - cpuBefore;
        const double elapsed = wall.elapsed() / 1000.0;
        std::printf("playing page (%s, %s), %.1f s: CPU %.1f %% of one core\n",
            qPrintable(QGuiApplication::platformName()),
            engine->isPlaying() ? "track playing" : "no audio output, disc only", elapsed,
            elapsed > 0 ? 100.0 * cpu / elapsed : 0.0);
    }
    DatabaseRegistry::release();
    ApplicationBase::deleteInstance();
    return 0;
}
