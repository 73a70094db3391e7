#include "app/configservice.h"
#include "app/datanotices.h"
#include "data/databaseregistry.h"
#include "support/databasefixture.h"
#include "support/testapp.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Answers every message box while it exists and keeps their texts.
class BoxReader
{
public:
    BoxReader()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this]() {
            auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts << box->findChild<QLabel *>(QStringLiteral("lbMessageBoxContent"))->text();
            box->accept();
        });
        m_timer.start(5);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

class tst_DataNotices : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        DatabaseRegistry::release();
        ApplicationBase::deleteInstance();
    }

    // Start-up ends (main returns -1) only after the user has read which folder and why.
    void unpreparedDataFolderIsTold()
    {
        QTemporaryDir tmp;
        const QString blocked = tmp.path() + QStringLiteral("/blocked");
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        ApplicationBase::setInstance(new TestApp(TestSupport::binDir(), blocked));
        DatabaseRegistry::create();
        BoxReader boxes;
        QVERIFY(!DataNotices::bootstrap());
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts.at(0).contains(QStringLiteral("Folder: ") + blocked + "/Data\n"));
        QVERIFY(boxes.texts.at(0).contains(blocked + QStringLiteral(" is not a folder")));
    }

    // Both databases damaged: one message names both kept files.
    void damagedDatabasesAreToldInOneMessage()
    {
        QTemporaryDir tmp;
        QDir().mkpath(tmp.path() + QStringLiteral("/Data"));
        for (const char *name : { "/Data/config.db", "/Data/data.db" }) {
            QFile file(tmp.path() + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ApplicationBase::setInstance(new TestApp(TestSupport::binDir(), tmp.path()));
        DatabaseRegistry::create();
        BoxReader boxes;
        QVERIFY(DataNotices::bootstrap());
        QCOMPARE(boxes.texts.size(), 1);
        const QStringList kept = QDir(tmp.path() + QStringLiteral("/Data"))
                                     .entryList({ QStringLiteral("*-damaged-*") }, QDir::Files);
        QCOMPARE(kept.size(), 2);
        for (const QString &name : kept)
            QVERIFY2(boxes.texts.at(0).contains(tmp.path() + "/Data/" + name),
                qPrintable(boxes.texts.at(0)));
    }

    void failedSettingWritesAreToldOnce()
    {
        DatabaseFixture fixture;
        QVERIFY(fixture.isValid());
        QSqlQuery query(DatabaseRegistry::database(true));
        QVERIFY(query.exec(QStringLiteral("create trigger refuse before insert on dict "
                                          "begin select raise(abort, 'disk full'); end")));
        ConfigService config;
        config.load();
        DataNotices::watchSettings(config);
        BoxReader boxes;
        config.setValue(QStringLiteral("exportPath"), QStringLiteral("/a"));
        config.setValue(QStringLiteral("sourcePath"), QStringLiteral("/b"));
        QTRY_COMPARE(boxes.texts.size(), 1);
        QVERIFY(
            boxes.texts.at(0).startsWith(QStringLiteral("Settings cannot be saved (disk full")));
        // Not lost for this run.
        QCOMPARE(config.value(QStringLiteral("sourcePath")), QStringLiteral("/b"));
    }
};

QTEST_MAIN(tst_DataNotices)
#include "tst_datanotices.moc"
