#include "data/dao.h"
#include "data/databaseregistry.h"
#include "data/media.h"
#include "data/medialibrary.h"
#include "data/playliststore.h"
#include "support/databasefixture.h"
#include "support/modalsupport.h"
#include "ui/views/medialibraryeditview.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>
#include <memory>

using TestSupport::whenModalShown;

namespace {
QList<PlaylistEntry> selection()
{
    return { PlaylistStore::entryForTrack("One", "/m/album.flac", 0.0, 181.3, false),
        PlaylistStore::entryForTrack("Two", "/m/album.flac", 12.5, 200.4, false),
        PlaylistStore::entryForTrack("Loose", "/m/loose.mp3", 0.0, 0.0, true) };
}

// Presses Save; returns the text of the message box it shows (closed with its sure button).
QString pressSave(MediaLibraryEditView &view)
{
    QString message;
    whenModalShown([&message](QWidget *box) {
        message = box->findChild<QLabel *>(QStringLiteral("lbMessageBoxContent"))->text();
        box->findChild<QPushButton *>(QStringLiteral("btnSure"))->click();
    });
    QTest::mouseClick(view.findChild<QPushButton *>(QStringLiteral("btnSave")), Qt::LeftButton);
    return message;
}

QComboBox *combo(MediaLibraryEditView &view)
{
    return view.findChild<QComboBox *>(QStringLiteral("cbLibraryName"));
}
} // namespace

class MediaLibraryEditViewTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fixture = std::make_unique<DatabaseFixture>();
        QVERIFY(fixture->isValid());
    }
    void cleanup() { fixture.reset(); }
    void comboListsPlaylistsInOrder();
    void refusalsKeepDialogOpen();

private:
    std::unique_ptr<DatabaseFixture> fixture;
};

void MediaLibraryEditViewTest::comboListsPlaylistsInOrder()
{
    PlaylistStore store;
    const int jazz = store.save(QStringLiteral("Jazz"), {}).playlistId;
    const int rock = store.save(QStringLiteral("Rock"), {}).playlistId;
    store.storePlaylistOrder({ rock, jazz });
    MediaLibraryEditView view;
    QCOMPARE(combo(view)->count(), 2);
    QCOMPARE(combo(view)->itemText(0) + combo(view)->itemText(1), QStringLiteral("RockJazz"));
    QCOMPARE(combo(view)->currentText(), QStringLiteral("Rock"));
}

// A blank name or a track the database refuses: nothing is stored or announced, the reason is
// said, and the dialog stays open for another try; Cancel stores nothing.
void MediaLibraryEditViewTest::refusalsKeepDialogOpen()
{
    QSqlQuery query(DatabaseRegistry::database(false));
    QVERIFY(query.exec(QStringLiteral("create trigger refuse before insert on Media when "
                                      "new.name = 'Two' begin select raise(abort, 'no'); end")));
    MediaLibraryEditView view;
    QCOMPARE(combo(view)->count(), 1);
    QCOMPARE(combo(view)->currentText(), QStringLiteral("DefaultLibrary"));
    view.setMediaList(selection());
    QSignalSpy saved(&view, &MediaLibraryEditView::playlistSaved);
    view.show();
    QCOMPARE(pressSave(view), QStringLiteral("Failed to save playlist"));
    combo(view)->setEditText(QStringLiteral("    "));
    QCOMPARE(pressSave(view), QStringLiteral("Please enter playlist name"));
    QVERIFY(view.isVisible());
    QTest::mouseClick(view.findChild<QPushButton *>(QStringLiteral("btnCancel")), Qt::LeftButton);
    QCOMPARE(view.result(), int(QDialog::Rejected));
    QCOMPARE(saved.size(), 0);
    QVERIFY(Dao().listLibraries().isEmpty());

    QVERIFY(query.exec(QStringLiteral("drop trigger refuse")));
    combo(view)->setEditText(QStringLiteral("Road Trip"));
    view.show();
    QCOMPARE(pressSave(view), QStringLiteral("Save completed"));
    QCOMPARE(view.result(), int(QDialog::Accepted));
    const auto playlists = Dao().listLibraries();
    QCOMPARE(playlists.size(), 1);
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.at(0), (QVariantList { playlists.at(0)->id, "Road Trip" }));
    QCOMPARE(Dao().listMedia(playlists.at(0)->id).size(), 3);
}

QTEST_MAIN(MediaLibraryEditViewTest)
#include "tst_medialibraryeditview.moc"
