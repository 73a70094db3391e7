#include "ui/mainwindow/mainwindow.h"

#include "app/apputils.h"
#include "app/configservice.h"
#include "audio/playbackengine.h"
#include "media/filerevealer.h"
#include "ui/mainwindow/covertheme.h"
#include "ui/mainwindow/exportcontroller.h"
#include "ui/mainwindow/iconpainter.h"
#include "ui/mainwindow/processpriority.h"
#include "ui/mainwindow/sourcetreebuilder.h"
#include "ui/mainwindow/windowframe.h"
#include "ui/views/audiowaveview.h"
#include "ui/views/spinningdiscview.h"
#include "ui_mainwindow.h"

#include <QHeaderView>
#include <QMenu>
#include <QVBoxLayout>

namespace {
const QString imageDir = QStringLiteral(":/resources/ui/images/default/common/");
const QString navViewKey = QStringLiteral("nav.view.id");

void setupTrackList(QTreeWidget *list)
{
    list->setColumnCount(4);
    list->setHeaderLabels({ QCoreApplication::translate("MainWindow", "Title"),
        QCoreApplication::translate("MainWindow", "Start"),
        QCoreApplication::translate("MainWindow", "Duration"),
        QCoreApplication::translate("MainWindow", "#") });
    list->setRootIsDecorated(false);
    list->setColumnWidth(0, 260);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , engine(new PlaybackEngine(this))
    , sourceTreeBuilder(std::make_unique<SourceTreeBuilder>())
    , fileRevealer(FileRevealer::create())
{
    // The style sheet first: widgets made by the form are then polished once, with it, instead
    // of once with the plain style and again when it arrives.
    applyStyleSheet(this, QStringLiteral("mainwindow.css"), false);
    ui->setupUi(this);
    initViews();
    ui->hsPlayProcessSlider->hide();
    initTransport();
    // Refused without the privilege; playback then simply runs at normal priority.
    ProcessPriority::raise();
    initTray();
    initDesktop();
    connect(ui->btnInfo, &QPushButton::clicked, this, &MainWindow::showAbout);

    // The left page survives restarts: "0" playlists, "1" source folders (the default).
    const QString stored = ConfigService::instance()->value(navViewKey, QStringLiteral("1"));
    ui->stackedWidget->setCurrentIndex(!stored.isEmpty() && stored.toInt() == 1 ? 1 : 0);
    connect(ui->btnPlaylist, &QPushButton::clicked, this, [this]() { switchNavigationPage(0); });
    connect(ui->btnPlaylist2, &QPushButton::clicked, this, [this]() { switchNavigationPage(1); });

    ui->edKeyword->setPlaceholderText(tr("Please enter content to search"));
    ui->edKeyword->setIcon(imageDir + QStringLiteral("search.svg"), 30, 30);
    connect(ui->edKeyword, &IconLineEdit::clicked, this, &MainWindow::filterSourceTree);

    connect(engine, &PlaybackEngine::playingRowChanged, this, &MainWindow::selectPlayingRow);
    if (btnRevealInExplorer)
        connect(btnRevealInExplorer, &QPushButton::clicked, this, &MainWindow::revealPlayingFile);
    exportController = new ExportController(
        this, ui->twSelectedMusicView, ui->btnExportMusic, *ConfigService::instance(), this);
    initSourceFolders();

    WindowFrame::setDarkFrame(this);

    initPlaylistsPanel();
    // Keyboard focus starts on the track list, where Enter plays and Space pauses; a focused
    // search field would take the Space and blink its cursor for as long as the window is open.
    ui->twCurrentMusicView->setFocus();
}

MainWindow::~MainWindow()
{
    // Playback stops and the output thread ends while the widgets it reports to still exist.
    engine->shutdown();
    delete engine;
    engine = nullptr;
    // No background result may reach a window that is going away.
    coverWatcher.disconnect(this);
    coverWatcher.cancel();
    coverWatcher.waitForFinished();
    // A context menu still showing must not report its hiding to members already gone.
    for (QMenu *menu : { sourceMenu.data(), currentListMenu.data(), selectedListMenu.data() }) {
        if (menu) {
            menu->disconnect(this);
            delete menu;
        }
    }
    // Sheet parses may wait for a probe; their results are simply not taken any more.
    folderWatcher.disconnect(this);
    sheetWatcher.disconnect(this);
    delete ui;
    ui = nullptr;
}

void MainWindow::switchNavigationPage(int page)
{
    ui->stackedWidget->setCurrentIndex(page);
    ConfigService::instance()->setValue(navViewKey, QString::number(page));
}

void MainWindow::initViews()
{
    ui->twSourceView->setHeaderHidden(false);
    ui->twSourceView->setHeaderLabels({ tr("Cue Files") });
    ui->twSourceView->setColumnCount(1);
    ui->twSourceView->setContextMenuPolicy(Qt::CustomContextMenu);

    QTreeWidget *library = ui->twLibraryView;
    library->setHeaderHidden(false);
    library->setHeaderLabels({ tr("Playlists") });
    library->setColumnCount(1);
    library->setSelectionBehavior(QAbstractItemView::SelectRows);
    library->setSelectionMode(QAbstractItemView::SingleSelection);
    library->installEventFilter(this);
    library->viewport()->installEventFilter(this);
    library->setDragEnabled(true);
    library->setAcceptDrops(true);
    library->setDropIndicatorShown(true);
    library->setDragDropMode(QAbstractItemView::InternalMove);
    library->setDefaultDropAction(Qt::MoveAction);

    QTreeWidget *current = ui->twCurrentMusicView;
    setupTrackList(current);
    current->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several rows can go to the export list at once.
    current->setSelectionMode(QAbstractItemView::ExtendedSelection);
    current->setUniformRowHeights(true);
    current->installEventFilter(this);
    current->viewport()->installEventFilter(this);
    current->setDragEnabled(false);
    current->setAcceptDrops(false);
    current->setDropIndicatorShown(false);
    current->setDragDropMode(QAbstractItemView::NoDragDrop);

    setupTrackList(ui->twSelectedMusicView);

    setupActionButton(ui->btnSelectSourcePath,
        imageDir + QStringLiteral("action_add_media_dir.svg"), tr("Add media directory"));
    setupActionButton(ui->btnDeleteSourcePath,
        imageDir + QStringLiteral("action_delete_media_dir.svg"), tr("Delete media directory"));
    setupActionButton(ui->btnSaveToLibrary, imageDir + QStringLiteral("action_save_playlist.svg"),
        tr("Save playlist"));
    setupActionButton(ui->btnExportMusic, imageDir + QStringLiteral("action_export_music.svg"),
        tr("Export Music"));
    setupActionButton(ui->btnPlayLibrary, imageDir + QStringLiteral("action_play_library.svg"),
        tr("Play library"));
    setupActionButton(ui->btnDeleteLibrary, imageDir + QStringLiteral("action_delete_library.svg"),
        tr("Delete library"));

    // The level meter takes the spacer's place between the two buttons under the selected list.
    if (QHBoxLayout *row = ui->horizontalLayout_3) {
        for (int i = 0; i < row->count(); ++i) {
            if (QSpacerItem *spacer = row->itemAt(i)->spacerItem()) {
                row->removeItem(spacer);
                delete spacer;
                break;
            }
        }
        audioWaveView = new AudioWaveView(this);
        audioWaveView->setObjectName(QStringLiteral("audioWaveView"));
        audioWaveView->setGain(2.2f);
        audioWaveView->setAutoGainEnabled(true);
        audioWaveView->setAutoGainRange(0.9f, 3.2f);
        audioWaveView->setAutoGainSmoothing(0.06f);
        audioWaveView->setLimiterStrength(0.9f);
        row->insertWidget(1, audioWaveView, 1);
    }

    ui->swPlayingView->hide();
    ui->swPlayingView->installEventFilter(this);

    ui->lbCover->setCursor(Qt::PointingHandCursor);
    ui->lbCover->setAlignment(Qt::AlignCenter);
    ui->lbCover->setScaledContents(false);
    ui->lbCover->installEventFilter(this);

    if (QWidget *host = ui->wgSpinningDiscView) {
        discView = new SpinningDiscView(host);
        auto *layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(discView, 1);
    }

    connect(ui->btnBack, &QPushButton::clicked, this, &MainWindow::showLibraryView);

    btnRevealInExplorer = findChild<QPushButton *>(QStringLiteral("btnRevealInExplorer"));
    if (!btnRevealInExplorer && ui->horizontalLayout_24) {
        ui->horizontalLayout_24->addStretch(1);
        btnRevealInExplorer = new QPushButton(this);
        btnRevealInExplorer->setObjectName(QStringLiteral("btnRevealInExplorer"));
        btnRevealInExplorer->setText(QString());
        btnRevealInExplorer->setFocusPolicy(Qt::NoFocus);
        btnRevealInExplorer->setFixedSize(32, 32);
        ui->horizontalLayout_24->addWidget(btnRevealInExplorer);
        ui->horizontalLayout_24->setAlignment(
            btnRevealInExplorer, Qt::AlignRight | Qt::AlignVCenter);
    }

    connectPlayingPageTransport();

    ui->lbCurrentPlayingMusic->setCursor(Qt::PointingHandCursor);
    ui->lbCurrentPlayingMusic->installEventFilter(this);

    updateTransportIcons(titleTextColor);
    updatePlayingIcons(titleTextColor);
}

void MainWindow::setupActionButton(QPushButton *button, const QString &svgPath, const QString &tip)
{
    button->setIconSize(QSize(24, 24));
    button->setText(QString());
    button->setToolTip(tip);
    button->setStatusTip(tip);
    button->setAccessibleName(tip);
    button->setIcon(tintedSvgPixmap(svgPath, QSize(24, 24), QColor(QStringLiteral("#ffffff"))));
}

QPixmap MainWindow::tintedSvgPixmap(const QString &svgPath, const QSize &size, const QColor &color)
{
    return IconPainter::tintedSvgPixmap(svgPath, size, color);
}

QPixmap MainWindow::tintedSvgPixmapInRect(
    const QString &svgPath, const QSize &size, const QRectF &target, const QColor &color)
{
    return IconPainter::tintedSvgPixmapInRect(svgPath, size, target, color);
}

QPixmap MainWindow::drawTransportIcon(const QSize &size, const QColor &glyphColor,
    const QString &name, bool emphasised, const QColor &baseColor)
{
    return IconPainter::drawTransportIcon(size, glyphColor, name, emphasised, baseColor);
}

QPixmap MainWindow::defaultCoverPixmap(const QSize &size)
{
    return IconPainter::defaultCoverPixmap(size);
}

void MainWindow::showLibraryView()
{
    if (ui->swMainView)
        ui->swMainView->setCurrentWidget(ui->swMusicLibrary);
    setTitleBarColors(titleBarColor, titleTextColor);
    syncPlayingPageButtons();
}

void MainWindow::showPlayingView()
{
    ui->swMainView->setCurrentWidget(ui->swPlayingView);
    if (discView) {
        const QColor newAccent = CoverTheme::accentFor(
            discView->primaryColor(), discView->secondaryColor(), discView->isDefaultCover());
        const QColor text = CoverTheme::textColorFor(newAccent);
        setTitleBarColors(newAccent.darker(102), text);
        updatePlayingIcons(text);
        accentColor = newAccent;
        applySliderStyle();
    }
    syncPlayingPageButtons();
}
