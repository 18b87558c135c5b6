#include "support/ProcessRun.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tavrin::test;

static const QString appId = QStringLiteral(TAVRIN_APP_ID);

// Installs the build into a temporary prefix the way a packager or user would, and checks what
// lands there, that the desktop tools accept it, and that the program answers on a terminal.
class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir m_prefix;

private Q_SLOTS:
    void initTestCase()
    {
        const ProcessRun install = runProcess(
            TAVRIN_CMAKE_COMMAND, {"--install", TAVRIN_BUILD_DIR, "--prefix", m_prefix.path()});
        QVERIFY2(m_prefix.isValid() && install.status == 0, install.out + install.err);
    }

    void files()
    {
        const QString entry = "share/applications/" + appId + ".desktop";
        const QString metainfo = "share/metainfo/" + appId + ".metainfo.xml";
        QStringList expected{"bin/tavrin",
                             "bin/tavrin-cli",
                             entry,
                             "share/bash-completion/completions/tavrin-cli",
                             "share/icons/hicolor/scalable/apps/" + appId + ".svg",
                             "share/man/man1/tavrin-cli.1",
                             "share/man/man1/tavrin.1",
                             "share/tavrin/translations/tavrin_de.qm",
                             "share/tavrin/translations/tavrin_en.qm",
                             metainfo};
        expected.sort();
        QStringList found;
        for (QDirIterator it(m_prefix.path(), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();)
            found.append(QDir(m_prefix.path()).relativeFilePath(it.next()));
        found.sort();
        QCOMPARE(found, expected); // nothing more: the simulator is not installed
        // The entry names the installed icon and the metadata names the entry, or the desktop
        // shows a blank icon and software centres cannot launch the program.
        QFile entryFile(m_prefix.filePath(entry)), metainfoFile(m_prefix.filePath(metainfo));
        QVERIFY(entryFile.open(QIODevice::ReadOnly));
        QVERIFY(metainfoFile.open(QIODevice::ReadOnly));
        const QByteArray entryText = entryFile.readAll();
        QVERIFY(entryText.contains("\nExec=tavrin %U\nIcon=" + appId.toUtf8() + "\n"));
        // Browsers offer Tavrin for magnet links.
        QVERIFY(entryText.contains("\nMimeType=x-scheme-handler/magnet;\n"));
        QVERIFY(metainfoFile.readAll().contains("<launchable type=\"desktop-id\">" +
                                                appId.toUtf8() + ".desktop</launchable>"));
        // The desktop tools accept both (scripts/setup.sh installs them).
        for (const QStringList& command :
             {QStringList{"desktop-file-validate", m_prefix.filePath(entry)},
              QStringList{"appstreamcli", "validate", "--no-net", m_prefix.filePath(metainfo)}}) {
            const ProcessRun check =
                runProcess(QStandardPaths::findExecutable(command.first()), command.mid(1));
            QVERIFY2(check.status == 0, command.first().toUtf8() + ": " + check.out + check.err);
        }
    }

    // The installed program without a display: the version and bad usage are answered on the
    // terminal, naming the option.
    void terminal_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("errPart");
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << QStringLiteral("Tavrin " TAVRIN_VERSION "\n") << QString();
        QTest::newRow("unknown option")
            << QStringList{"--colour"} << 2 << QString() << QStringLiteral("tavrin: ");
    }
    void terminal()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, errPart);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(name);
        // No display at all: help, version and usage errors are answered on the terminal.
        environment.insert("QT_QPA_PLATFORM", "");
        const ProcessRun run = runProcess(m_prefix.filePath("bin/tavrin"), arguments, environment);
        QCOMPARE(run.status, status);
        QCOMPARE(QString::fromLocal8Bit(run.out), out);
        QVERIFY2(QString::fromLocal8Bit(run.err).contains(errPart), run.err);
        if (status == 2)
            QVERIFY2(run.err.contains("colour"), run.err);
    }

    // The manual pages format without a warning.
    void manualPages_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("tavrin") << "share/man/man1/tavrin.1";
        QTest::newRow("tavrin-cli") << "share/man/man1/tavrin-cli.1";
    }
    void manualPages()
    {
        QFETCH(QString, page);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("MANWIDTH", "80");
        environment.insert("LC_ALL", "C.UTF-8");
        const ProcessRun run = runProcess(
            "man", {"--warnings", "-E", "UTF-8", "-l", m_prefix.filePath(page)}, environment);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QByteArray());
        QVERIFY2(run.out.contains("EXIT STATUS"), run.out.left(200));
    }

    // The installed completion, as bash's completion calls it: commands, options after a
    // command, saved server names (never their unique IDs), priorities.
    void completion_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("offered");
        QTest::newRow("a command") << QStringList{"tavrin-cli", "li"} << "list|";
        QTest::newRow("an option of list")
            << QStringList{"tavrin-cli", "list", "--json-"} << "--json-lines|";
        QTest::newRow("a saved server") << QStringList{"tavrin-cli", "--server", "n"} << "nas box|";
        QTest::newRow("a typed sort key")
            << QStringList{"tavrin-cli", "list", "--sort", "size"} << "size_bytes|";
        QTest::newRow("a priority")
            << QStringList{"tavrin-cli", "priority", "T1", "lo"} << "low|lowest|";
    }
    void completion()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, offered);
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("Tavrin"));
        QFile conf(home.filePath("Tavrin/Tavrin.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("[Servers]\nnas%20box\\Host=h\nnas%20box\\UniqueID=secret\n");
        conf.close();
        const QString script = QStringLiteral(
            "source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); "
            "_tavrin_cli; printf '%s|' \"${COMPREPLY[@]}\"");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", home.path());
        // The completion asks the installed tavrin-cli for the saved servers.
        environment.insert("PATH", m_prefix.filePath("bin") + ':' + environment.value("PATH"));
        const ProcessRun run = runProcess(
            "bash",
            QStringList{"-c", script, "bash",
                        m_prefix.filePath("share/bash-completion/completions/tavrin-cli")} +
                words,
            environment);
        QCOMPARE(run.status, 0);
        QCOMPARE(QString::fromUtf8(run.out), offered);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
