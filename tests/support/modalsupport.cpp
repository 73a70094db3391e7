#include "support/modalsupport.h"

#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "support/audiosupport.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/mainwindow/trackrow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>

namespace TestSupport {

// Polls every 5 ms until found() or timeoutMs; stopped while found() runs a nested loop.
static void pollUntil(const std::function<bool()> &found, int timeoutMs, QObject *owner = nullptr)
{
    auto *timer = new QTimer(owner);
    QElapsedTimer clock;
    clock.start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, found, timeoutMs]() {
        timer->stop();
        if (found() || clock.elapsed() > timeoutMs)
            timer->deleteLater();
        else
            timer->start();
    });
    timer->start();
}

void whenModalShown(const std::function<void(QWidget *)> &action, int timeoutMs)
{
    pollUntil(
        [action]() {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return false;
            action(modal);
            return true;
        },
        timeoutMs);
}

std::shared_ptr<QString> answerNextBox(bool sure, int timeoutMs, QObject *owner)
{
    auto text = std::make_shared<QString>();
    pollUntil(
        [text, sure]() {
            // Among the top-level widgets: a progress dialog may be the active modal one.
            const QWidgetList windows = QApplication::topLevelWidgets();
            for (QWidget *box : windows) {
                auto *content = box->findChild<QLabel *>(QStringLiteral("lbMessageBoxContent"));
                if (!content || !box->isVisible())
                    continue;
                *text = content->text();
                box->findChild<QPushButton *>(sure ? "btnSure" : "btnCancel")->click();
                return true;
            }
            return false;
        },
        timeoutMs, owner);
    return text;
}

QStringList columnTexts(const QTreeWidget *list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

} // namespace TestSupport

WindowFixture::WindowFixture()
{
    QStandardPaths::setTestModeEnabled(true);
    ConfigService::instance()->load();
}

WindowFixture::~WindowFixture()
{
    QThreadPool::globalInstance()->waitForDone();
}

bool WindowFixture::restart()
{
    if (!m_db.restart())
        return false;
    ConfigService::instance()->load();
    return true;
}

std::unique_ptr<MainWindow> WindowFixture::open()
{
    auto window = std::make_unique<MainWindow>();
    window->show();
    return QTest::qWaitForWindowExposed(window.get()) ? std::move(window) : nullptr;
}

QTreeWidget *WindowFixture::queueThreeTracks(
    MainWindow &window, const QString &path, double seconds)
{
    const QVector<TrackInfo> tracks { AudioSupport::track(path, 1, 0, seconds),
        AudioSupport::track(path, 2, seconds, seconds),
        AudioSupport::track(path, 3, 2 * seconds, seconds) };
    auto *list = child<QTreeWidget>(window, "twCurrentMusicView");
    TrackRow::fill(list, tracks, false);
    window.playbackEngine()->setPlayQueue(tracks);
    return list;
}
