// The settings store against real files: writes that cannot be saved, the file's mode, and a
// damaged file kept before anything overwrites it.
#include "core/servers/SavedServers.h"
#include "core/settings/OptionSwitch.h"
#include "core/settings/SettingsStore.h"
#include "core/view/SortChoice.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace tavrin;

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What stands where the file or its folder should be; every write fails, told once.
    void unsavedWritesAreToldOnce_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("a directory in place of the file") << "directory";
        QTest::newRow("a file in place of the folder") << "file";
    }
    void unsavedWritesAreToldOnce()
    {
        QFETCH(QString, obstacle);
        QTemporaryDir dir;
        QString path = dir.filePath("Tavrin.conf");
        if (obstacle == "directory") {
            QVERIFY(QDir(dir.path()).mkdir("Tavrin.conf"));
        } else {
            QFile blocker(dir.filePath("Tavrin"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            path = dir.filePath("Tavrin/Tavrin.conf");
        }
        QSettings qsettings(path, QSettings::IniFormat);
        SettingsStore store(qsettings);
        QStringList told;
        store.setFailureHandler([&told](const QString& message) { told << message; });
        store.write(QStringLiteral("Host"), QStringLiteral("a"));
        store.write(QStringLiteral("Port"), QStringLiteral("1"));
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(path), qPrintable(told.first()));
        QVERIFY(store.hasFailed());
        // The values last for the run.
        QCOMPARE(store.read(QStringLiteral("Host")), QStringLiteral("a"));
    }

    void savedFileIsTheOwnersAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Tavrin.conf");
        QSettings qsettings(path, QSettings::IniFormat);
        SettingsStore store(qsettings);
        store.write(QStringLiteral("UniqueID"), QStringLiteral("secret"));
        QVERIFY(!store.hasFailed());
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, mode_t(0600));
        QCOMPARE(QSettings(path, QSettings::IniFormat).value("Main/UniqueID").toString(),
                 QStringLiteral("secret"));
    }

    // The file's content, whether it is kept, and whether an older kept copy is there already.
    void damagedFileIsKept_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("olderCopy");
        QTest::newRow("sound") << QByteArray("[Main]\nHost=a\n") << false << false;
        QTest::newRow("NUL bytes") << QByteArray("[Main]\nHost=a\0b\n", 16) << true << false;
        QTest::newRow("NUL bytes, a copy kept before") << QByteArray("\0\0\0", 3) << true << true;
        QTest::newRow("larger than any settings file")
            << QByteArray(17 * 1024 * 1024, 'x') << true << false;
    }
    void damagedFileIsKept()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, kept);
        QFETCH(bool, olderCopy);
        QTemporaryDir dir;
        const QString path = dir.filePath("Tavrin.conf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();
        if (olderCopy) {
            QFile older(path + ".bad");
            QVERIFY(older.open(QIODevice::WriteOnly));
            QCOMPARE(older.write("older"), 5);
        }
        const QString name = SettingsStore::keepDamagedFile(path);
        QCOMPARE(!name.isEmpty(), kept);
        if (!kept)
            return;
        QCOMPARE(name.startsWith(path + ".bad."), olderCopy);
        QFile copy(name);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), content);
    }

    // The sort choice as stored by hand: kept per version under [View]; what is not a choice
    // reads as the server's order or the usual direction.
    void sortChoiceAsStored_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("readColumn");
        QTest::addColumn<bool>("descending");
        QTest::newRow("descending") << "Size"
                                    << "descending"
                                    << "Size" << true;
        QTest::newRow("any other order is ascending") << "ETA"
                                                      << "DOWN"
                                                      << "ETA" << false;
        QTest::newRow("no column, no order") << ""
                                             << "descending"
                                             << "" << false;
        QTest::newRow("a key too long to be one") << QString(300, u'x') << "ascending"
                                                  << "" << false;
    }
    void sortChoiceAsStored()
    {
        QFETCH(QString, column);
        QFETCH(QString, order);
        QFETCH(QString, readColumn);
        QFETCH(bool, descending);
        QTemporaryDir dir;
        QSettings qsettings(dir.filePath("Tavrin.conf"), QSettings::IniFormat);
        SettingsStore settings(qsettings);
        settings.writeIn(QStringLiteral("View"), QStringLiteral("SortColumn3"), column);
        settings.writeIn(QStringLiteral("View"), QStringLiteral("SortOrder3"), order);
        const view::SortChoice read = view::SortChoice::read(settings, true);
        QCOMPARE(read.columnKey, readColumn);
        QCOMPARE(read.order == Qt::DescendingOrder, descending);
        // The other version has a choice of its own.
        QCOMPARE(view::SortChoice::read(settings, false).columnKey, QString());
    }

    // An [Options] switch typed by hand: "true" or "false" in any case and with blanks around;
    // anything else, or nothing, is the switch's own default.
    void optionSwitchAsStored_data()
    {
        QTest::addColumn<bool>("onByDefault");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("on");
        QTest::newRow("on by default, absent") << true << "" << true;
        QTest::newRow("on by default, unreadable") << true << "no" << true;
        QTest::newRow("on by default, turned off") << true << " FALSE " << false;
        QTest::newRow("off by default, unreadable") << false << "yes" << false;
        QTest::newRow("off by default, turned on") << false << "True" << true;
    }
    void optionSwitchAsStored()
    {
        QFETCH(bool, onByDefault);
        QFETCH(QString, stored);
        QFETCH(bool, on);
        QTemporaryDir dir;
        QSettings qsettings(dir.filePath("Tavrin.conf"), QSettings::IniFormat);
        SettingsStore settings(qsettings);
        const OptionSwitch option{QLatin1StringView("Notifications"), onByDefault};
        if (!stored.isEmpty())
            settings.writeIn(QStringLiteral("Options"), QStringLiteral("Notifications"), stored);
        QCOMPARE(option.isOn(settings), on);
        // What the menu stores reads back as itself.
        option.set(settings, !on);
        QCOMPARE(option.isOn(settings), !on);
    }

    // Clicks on a header: ascending, descending, the server's order; another column starts over.
    void sortChoiceFollowsClicks()
    {
        const view::SortChoice ascending = view::SortChoice{}.next("Size");
        QCOMPARE(ascending, (view::SortChoice{"Size", Qt::AscendingOrder}));
        const view::SortChoice descending = ascending.next("Size");
        QCOMPARE(descending, (view::SortChoice{"Size", Qt::DescendingOrder}));
        QCOMPARE(descending.next("Size"), view::SortChoice{});
        QCOMPARE(descending.next("ETA"), (view::SortChoice{"ETA", Qt::AscendingOrder}));
    }

    // Saved servers under names that mean something to a settings file, read back from it.
    void savedServersRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "seedbox";
        QTest::newRow("slashes") << "home / nas\\backup";
        QTest::newRow("beyond ASCII") << QString::fromUtf8("B\u00fcro \u2192 NAS");
        QTest::newRow("looks percent-encoded") << "a%20b";
        QTest::newRow("looks like a group") << "[Main]";
        QTest::newRow("ini specials") << "x = y; z, \"q\"";
    }
    void savedServersRoundTrip()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString file = dir.filePath("Tavrin.conf");
        const SavedServer server{name, "nas.local", "56667", "secret id", false};
        {
            QSettings qsettings(file, QSettings::IniFormat);
            SettingsStore settings(qsettings);
            settings.write(QStringLiteral("Host"), QStringLiteral("last"));
            SavedServers(settings).save(server);
            SavedServers(settings).save({"other", "h", "1", "", true});
        }
        QSettings qsettings(file, QSettings::IniFormat);
        SettingsStore settings(qsettings);
        SavedServers saved(settings);
        QVERIFY(saved.names().contains(name));
        QCOMPARE(saved.names().size(), 2);
        QCOMPARE(saved.find(name), server);
        // [Main] keeps the last connection whatever is saved.
        QCOMPARE(settings.read(QStringLiteral("Host")), QStringLiteral("last"));
        QVERIFY(saved.rename(name, name + " 2"));
        QCOMPARE(saved.find(name), std::nullopt);
        QCOMPARE(saved.find(name + " 2")->host, QStringLiteral("nas.local"));
        QVERIFY(!saved.rename(name + " 2", "other"));
        saved.remove(name + " 2");
        QCOMPARE(saved.names(), QStringList{"other"});
    }

    // A server typed into the file by hand, its name not encoded, is found and can be removed.
    void savedServerWrittenByHand()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("Tavrin.conf");
        QFile text(file);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("[Servers]\nhome%20nas\\Host=nas\nhome%20nas\\Version3=false\n");
        text.close();
        QSettings qsettings(file, QSettings::IniFormat);
        SettingsStore settings(qsettings);
        SavedServers saved(settings);
        QCOMPARE(saved.names(), QStringList{"home nas"});
        QCOMPARE(saved.find("home nas")->host, QStringLiteral("nas"));
        QCOMPARE(saved.find("home nas")->version3, false);
        saved.remove("home nas");
        QCOMPARE(saved.names(), QStringList());
    }

    void savedServerNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        QTest::newRow("a name") << "seedbox" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks only") << "   " << false;
        QTest::newRow("a line break") << "a\nb" << false;
        QTest::newRow("100 characters") << QString(100, u'n') << true;
        QTest::newRow("101 characters") << QString(101, u'n') << false;
    }
    void savedServerNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        QCOMPARE(!SavedServers::nameProblem(name).has_value(), usable);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
