#include "app/apputils.h"
#include "app/configservice.h"
#include "app/csapp.h"
#include "app/datanotices.h"
#include "app/displaysetup.h"
#include "app/handoffserver.h"
#include "app/resourceinit.h"
#include "app/singleinstance.h"
#include "app/startupwarmup.h"
#include "data/databaseregistry.h"
#include "ui/mainwindow/mainwindow.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QTranslator>
#include <memory>

int main(int argc, char *argv[])
{
    // The environment first: the helper reads it, and is not to meet a change to it.
    prepareDisplay();
    const StartupWarmup libraries(StartupWarmup::PlatformLibraries);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton, true);

    auto application = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quellin"));
    initResources();
    auto images = std::make_unique<StartupWarmup>(StartupWarmup::ImagePlugins);
    enableDebugFromEnvironment();

    // The stylesheets name Windows families; elsewhere fall back to fonts that cover Chinese.
    const QStringList fallbacks { QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans") };
    QFont::insertSubstitutions(QStringLiteral("Microsoft Yahei"), fallbacks);
    QFont::insertSubstitutions(QStringLiteral("SimHei"), fallbacks);

    auto font = std::make_unique<QFont>(QStringLiteral("Microsoft Yahei"), 9);
    font->setItalic(false);
    font->setHintingPreference(QFont::PreferFullHinting);
    font->setStyleStrategy(QFont::PreferAntialias);
    QApplication::setFont(*font);
    // Dialogs the stylesheets do not paint (progress, Qt's own) take the theme's dark colours.
    QApplication::setPalette(darkPalette());

    const QString translations =
        QApplication::applicationDirPath() + QStringLiteral("/translations/");
    // The source texts are English; only a Chinese locale gets the Chinese texts.
    auto translator = std::make_unique<QTranslator>();
    auto qtTranslator = std::make_unique<QTranslator>();
    if (prefersChinese(QLocale::system().uiLanguages())) {
        translator->load(translations + QStringLiteral("zh-CN.qm"));
        QApplication::installTranslator(translator.get());
        qtTranslator->load(translations + QStringLiteral("qt_zh_CN.qm"));
        QApplication::installTranslator(qtTranslator.get());
    }

    ApplicationBase::setInstance(new CSApp);

    DatabaseRegistry::create();
    if (!DataNotices::bootstrap())
        return -1;

    ConfigService::instance()->load();
    DataNotices::watchSettings(*ConfigService::instance());

    auto instance = std::make_unique<SingleInstance>();
    if (!instance->tryLock()) {
        const QStringList files = SingleInstance::buildFileList(QApplication::arguments());
        if (!files.isEmpty())
            SingleInstance::forward(files);
        return 0;
    }

    auto *window = new MainWindow;
    window->show();
    prefaultBackingStore(window);

    auto server = std::make_unique<HandoffServer>();
    // Without the channel later starts cannot hand over their files; they still end.
    if (!server->listen(SingleInstance::channelName()))
        debugLog(QStringLiteral("Hand-off"),
            QStringLiteral("cannot listen on \"%1\"").arg(SingleInstance::channelName()));
    QObject::connect(server.get(), &HandoffServer::filesReceived, window, &MainWindow::openFiles);

    const QStringList files = SingleInstance::buildFileList(QApplication::arguments());
    if (!files.isEmpty())
        window->openFiles(files);

    const int result = QApplication::exec();

    delete window;
    DatabaseRegistry::release();
    ApplicationBase::deleteInstance();
    server.reset();
    instance.reset();
    qtTranslator.reset();
    translator.reset();
    font.reset();
    images.reset();
    application.reset();
    return result;
}
