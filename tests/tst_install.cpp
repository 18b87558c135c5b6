#include "support/ProcessRun.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tavrin::test;

namespace {

const QString appId = QStringLiteral(TAVRIN_APP_ID);

} // namespace

// Installs the build into a temporary prefix the way a packager or user would, and checks what
// lands there, that the desktop tools accept it, and that the program answers on a terminal.
class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir m_prefix;

    QString installed(const QString& path) const { return m_prefix.filePath(path); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        const ProcessRun install =
            runProcess(QStringLiteral(TAVRIN_CMAKE_COMMAND),
                       {"--install", TAVRIN_BUILD_DIR, "--prefix", m_prefix.path()});
        QVERIFY2(install.status == 0, install.out + install.err);
    }

    void files()
    {
        QStringList expected{"bin/tavrin", "share/applications/" + appId + ".desktop",
                             "share/icons/hicolor/scalable/apps/" + appId + ".svg",
                             "share/metainfo/" + appId + ".metainfo.xml"};
        if (TAVRIN_HAS_CLI)
            expected.append("bin/tavrin-cli");
        QStringList found;
        for (QDirIterator it(m_prefix.path(), QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();)
            found.append(QDir(m_prefix.path()).relativeFilePath(it.next()));
        expected.sort();
        found.sort();
        QCOMPARE(found, expected); // nothing more: the simulator is not installed

        // The entry names the installed icon and the metadata names the entry, or the desktop
        // shows a blank icon and software centres cannot launch the program.
        QFile entry(installed(expected.filter(".desktop").constFirst()));
        QFile metainfo(installed(expected.filter(".metainfo.xml").constFirst()));
        QVERIFY(entry.open(QIODevice::ReadOnly) && metainfo.open(QIODevice::ReadOnly));
        const QString entryText = QString::fromUtf8(entry.readAll());
        QVERIFY(entryText.contains(
            QRegularExpression("^Icon=" + appId + "$", QRegularExpression::MultilineOption)));
        QVERIFY(entryText.contains(
            QRegularExpression("^Exec=tavrin$", QRegularExpression::MultilineOption)));
        QVERIFY(metainfo.readAll().contains("<launchable type=\"desktop-id\">" + appId.toUtf8() +
                                            ".desktop</launchable>"));
    }

    void validators_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop entry")
            << "desktop-file-validate"
            << QStringList{installed("share/applications/" + appId + ".desktop")};
        QTest::newRow("AppStream metadata")
            << "appstreamcli"
            << QStringList{"validate", "--no-net",
                           installed("share/metainfo/" + appId + ".metainfo.xml")};
    }

    void validators()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        const QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty())
            QSKIP(qPrintable(program + " is not installed (scripts/setup.sh installs it)"));
        const ProcessRun check = runProcess(path, arguments);
        qInfo("%s", (check.out + check.err).constData());
        QVERIFY2(check.status == 0, check.out + check.err);
    }

    // The installed program, with no display and no platform chosen: help and version answer on
    // the terminal; bad usage is refused before any window opens.
    void terminal_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString version = QStringLiteral("^Tavrin " TAVRIN_VERSION "\n$");
        const QString usage = QStringLiteral("Usage: \\S*tavrin \\[options\\]\n");
        const QString options = usage + "(.|\n)*-h, --help(.|\n)*-v, --version";
        const auto row = [](const char* name, QStringList a, QString p, int s, QString o,
                            QString e) { QTest::newRow(name) << a << p << s << o << e; };
        row("version", {"--version"}, "", 0, version, "^$");
        row("help", {"--help"}, "", 0, "^" + options, "^$");
        row("help and an unknown option", {"--help", "--colour"}, "", 2, "^$",
            "^tavrin: Unknown option 'colour'.\n\n" + options);
        row("version and an argument", {"--version", "extra"}, "", 2, "^$",
            "^tavrin: Unexpected argument: extra\n\n" + usage);
        row("unknown option, with a display", {"--colour"}, "offscreen", 2, "^$",
            "tavrin: Unknown option 'colour'.\n\n" + options);
    }

    void terminal()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, platform);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        if (!platform.isEmpty())
            environment.insert("QT_QPA_PLATFORM", platform);
        const ProcessRun tavrin = runProcess(installed("bin/tavrin"), arguments, environment);
        QVERIFY2(tavrin.status == status, tavrin.out + tavrin.err);
        QVERIFY2(QString::fromLocal8Bit(tavrin.out).contains(QRegularExpression(out)), tavrin.out);
        QVERIFY2(QString::fromLocal8Bit(tavrin.err).contains(QRegularExpression(err)), tavrin.err);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
