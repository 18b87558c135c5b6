// Links from outside: the check, drops on the real window, the waiting links of the Add Link
// box, and the hand-over between two real processes over a real local socket.
#include "support/ProcessRun.h"
#include "support/Waits.h"
#include "support/WindowHarness.h"

#include "core/links/InstanceChannel.h"
#include "core/links/LinkCheck.h"

#include <QDropEvent>
#include <QLabel>
#include <QLocalSocket>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tavrin;
using namespace tavrin::test;

namespace {

const QString magnet1 = QStringLiteral("magnet:?xt=urn:btih:1111");
const QString magnet2 = QStringLiteral("magnet:?xt=urn:btih:2222");
const QString magnet3 = QStringLiteral("magnet:?xt=urn:btih:3333");

struct Harness : WindowHarness {
    Harness()
    {
        script.torrents = {{"T1", "WORKING"}};
        script.serve(server);
    }
    void connectAndShow()
    {
        connectAs(QStringLiteral("u"));
        refresh();
        QVERIFY(window->session()->fieldsLocked());
    }
    void drop(QWidget* target, const QMimeData& data)
    {
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropEvent(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropEvent);
    }
    QString statusText() const
    {
        const auto* label = window->findChild<QLabel*>(QStringLiteral("connectionStatus"));
        return label ? label->text() : QString();
    }
    TorrentScript script;
};

// A process of the real program with its own runtime directory, settings and working directory.
struct Program {
    explicit Program(const QString& runtimeDir)
    {
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("c")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("d")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(home.path());
    }
    ~Program()
    {
        process.kill();
        process.waitForFinished(60000);
    }
    void start(const QStringList& arguments) { process.start(TAVRIN_APP_PATH, arguments); }
    QByteArray log() const
    {
        QFile file(home.filePath(QStringLiteral("tavrin.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    ProcessRun run(const QStringList& arguments) const
    {
        return runProcess(TAVRIN_APP_PATH, arguments, environment);
    }

    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess process;
};

// The socket path as a process with this runtime directory names it.
QString channelIn(const QTemporaryDir& runtime)
{
    return runtime.filePath(QStringLiteral("tavrin-%1.links").arg(::getuid()));
}

bool isListeningOn(const QString& name)
{
    QLocalSocket probe;
    probe.connectToServer(name);
    return probe.waitForConnected(1000);
}

} // namespace

class TestLinks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

    void check_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("problem"); // empty: taken
        QTest::newRow("magnet") << magnet1 << QString();
        QTest::newRow("magnet in capitals") << "MAGNET:?xt=urn:btih:1" << QString();
        QTest::newRow("http") << "http://example.org/a.torrent" << QString();
        QTest::newRow("https") << "HTTPS://example.org/a.torrent" << QString();
        QTest::newRow("empty") << ""
                               << "the link is empty";
        QTest::newRow("ftp") << "ftp://example.org/a.torrent"
                             << "not a magnet or http(s) link";
        QTest::newRow("file path") << "/home/u/a.torrent"
                                   << "not a magnet or http(s) link";
        QTest::newRow("magnet without query") << "magnet:xt"
                                              << "not a magnet or http(s) link";
        QTest::newRow("http without host") << "http:///a"
                                           << "not a valid http(s) link";
        QTest::newRow("line break") << "magnet:?xt=1\nQUERY|"
                                    << "the link contains control characters";
        QTest::newRow("NUL") << QStringLiteral("magnet:?xt=1") + QChar(0)
                             << "the link contains control characters";
        QTest::newRow("64 KiB") << "magnet:?" + QString(64 * 1024 - 8, u'a') << QString();
        QTest::newRow("a byte over")
            << "magnet:?" + QString(64 * 1024 - 7, u'a') << "the link is longer than 64 KiB";
        // Counted in UTF-8 bytes: 2 each.
        QTest::newRow("over in UTF-8")
            << "magnet:?" + QString(32 * 1024, u'\u00e9') << "the link is longer than 64 KiB";
    }
    void check()
    {
        QFETCH(QString, link);
        QFETCH(QString, problem);
        const std::optional<QString> why = links::problem(link);
        QCOMPARE(why.value_or(QString()).section(QLatin1Char(':'), 0, 0), problem);
    }

    // What people read of a refused link: control characters visible, the length bounded.
    void refusalShowsTheLinkSafely()
    {
        const QString why = links::problem(QStringLiteral("x\ry") + QString(100000, u'z')).value();
        QVERIFY2(why.contains(QStringLiteral("x\u240dy")), qPrintable(why.left(80)));
        QVERIFY2(why.size() < 300, qPrintable(QString::number(why.size())));
    }

    void dropData()
    {
        QMimeData urls;
        urls.setUrls({QUrl(magnet1), QUrl(QStringLiteral("https://example.org/x y.torrent"))});
        urls.setText(QStringLiteral("ignored"));
        QCOMPARE(links::fromMimeData(urls),
                 (QStringList{magnet1, QStringLiteral("https://example.org/x%20y.torrent")}));
        QMimeData text;
        text.setText(QStringLiteral("  ") + magnet1 + QStringLiteral("\r\n\n") + magnet2 +
                     QStringLiteral("\n"));
        QCOMPARE(links::fromMimeData(text), (QStringList{magnet1, magnet2}));
    }

    // While the list is shown each link is one add command, in order, behind the request in
    // flight; nothing waits.
    void linksAreAddedWhilePolling()
    {
        Harness h;
        h.connectAndShow();
        const qsizetype sent = h.server.requests().size();
        h.window->openLinks({magnet1, magnet2});
        TRY_COMPARE(h.server.requests().size(), sent + 2);
        QCOMPARE(h.commands(sent),
                 (QList<QByteArray>{"ADD|" + magnet1.toLatin1(), "ADD|" + magnet2.toLatin1()}));
        QVERIFY(!h.statusText().contains(QStringLiteral("wait")));
    }

    // Before Connect the links wait: the box shows the first, nothing is sent until Add, and
    // each Add brings the next.
    void linksWaitForTheUserBeforeConnect()
    {
        Harness h;
        h.window->openLinks({magnet1, magnet2});
        h.window->openLinks({magnet3});
        QCOMPARE(h.edit("Add Link:")->text(), magnet1);
        h.connectAndShow();
        QCOMPARE(h.commands(), QList<QByteArray>{"QUERY|"});
        TRY_VERIFY(h.statusText().contains(QStringLiteral("3 links wait to be added")));

        h.button("Add")->click();
        TRY_COMPARE(h.commands().size(), 2);
        QCOMPARE(h.commands().last(), "ADD|" + magnet1.toLatin1());
        QCOMPARE(h.edit("Add Link:")->text(), magnet2);
        TRY_VERIFY(h.statusText().contains(QStringLiteral("2 links wait to be added")));

        // A link of the user's own goes first; the waiting one comes back to the box.
        h.edit("Add Link:")->setText(QStringLiteral("magnet:?xt=own"));
        h.button("Add")->click();
        TRY_COMPARE(h.commands().size(), 3);
        QCOMPARE(h.commands().last(), "ADD|magnet:?xt=own");
        QCOMPARE(h.edit("Add Link:")->text(), magnet2);

        h.button("Add")->click();
        h.button("Add")->click();
        TRY_COMPARE(h.commands().size(), 5);
        QCOMPARE(h.commands().last(), "ADD|" + magnet3.toLatin1());
        // The last one stays in the box, as a typed link does.
        QCOMPARE(h.edit("Add Link:")->text(), magnet3);
        TRY_VERIFY(!h.statusText().contains(QStringLiteral("wait")));
    }

    void dropsOnTheListAndTheBox_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("list") << QStringLiteral("list");
        QTest::newRow("Add Link box") << QStringLiteral("box");
    }
    void dropsOnTheListAndTheBox()
    {
        QFETCH(QString, target);
        Harness h;
        h.connectAndShow();
        QWidget* widget = target == QLatin1String("list")
                              ? h.list()->viewport()
                              : static_cast<QWidget*>(h.edit("Add Link:"));
        const qsizetype sent = h.server.requests().size();
        QMimeData data;
        data.setText(magnet1 + QStringLiteral("\n") + magnet2);
        h.drop(widget, data);
        TRY_COMPARE(h.server.requests().size(), sent + 2);
        QCOMPARE(h.commands(sent),
                 (QList<QByteArray>{"ADD|" + magnet1.toLatin1(), "ADD|" + magnet2.toLatin1()}));
        // The box's own drop would have inserted the text.
        QCOMPARE(h.edit("Add Link:")->text(), QString());
    }

    // A bad link dropped is told in the status bar and sends nothing; the good ones beside it go.
    void badDropIsToldInTheStatusBar()
    {
        Harness h;
        h.connectAndShow();
        const qsizetype sent = h.server.requests().size();
        QMimeData data;
        data.setText(QStringLiteral("file:///etc/passwd\n") + magnet1);
        h.drop(h.list()->viewport(), data);
        TRY_COMPARE(h.server.requests().size(), sent + 1);
        QCOMPARE(h.commands(sent), QList<QByteArray>{"ADD|" + magnet1.toLatin1()});
        const auto* notice = h.window->findChild<QLabel*>(QStringLiteral("linkNotice"));
        QVERIFY(notice->isVisibleTo(h.window.get()));
        QCOMPARE(
            notice->text(),
            QStringLiteral("Link not added: not a magnet or http(s) link: file:///etc/passwd"));
        QVERIFY(h.env.prompter.messages.isEmpty());
    }

    // Before there is a status bar the refusal is a notice that does not hold the window.
    void badDropBeforeConnectIsANotice()
    {
        Harness h;
        h.window->show();
        QMimeData data;
        data.setText(QStringLiteral("javascript:alert(1)"));
        h.drop(h.window->centralWidget(), data);
        QCOMPARE(h.env.prompter.notices.size(), 1);
        QVERIFY(h.env.prompter.notices.first().text.startsWith(
            QStringLiteral("Link not added: not a magnet or http(s) link")));
        QVERIFY(h.env.prompter.messages.isEmpty());
        QCOMPARE(h.edit("Add Link:")->text(), QString());
    }

    // A bad link or option on the command line: said on standard error, status 2, nothing
    // handed over; no display is needed to say so.
    void badLinkOnTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("errPart");
        QTest::newRow("scheme") << QStringList{magnet1, "ftp://x/y"}
                                << "tavrin: not a magnet or http(s) link: ftp://x/y\n";
        QTest::newRow("too long") << QStringList{"magnet:?" + QString(70000, u'a')}
                                  << "tavrin: the link is longer than 64 KiB";
        QTest::newRow("after --") << QStringList{"--", "-x"}
                                  << "tavrin: not a magnet or http(s) link: -x\n";
        // An option nobody knows comes first: nothing is handed over.
        QTest::newRow("unknown option")
            << QStringList{"--colour", magnet1} << "tavrin: Unknown option '--colour'.\n";
    }
    void badLinkOnTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, errPart);
        QTemporaryDir runtime;
        links::LinkReceiver receiver;
        QVERIFY(receiver.listen(channelIn(runtime)));
        QSignalSpy received(&receiver, &links::LinkReceiver::linksReceived);
        Program program(runtime.path());
        program.environment.remove(QStringLiteral("DISPLAY"));
        program.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const ProcessRun run = program.run(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(QString::fromLocal8Bit(run.err).startsWith(errPart), run.err);
        QCoreApplication::processEvents();
        QCOMPARE(received.size(), 0);
    }

    // A second start hands its links to the running one and ends at once with status 0.
    void secondStartHandsItsLinksOver()
    {
        QTemporaryDir runtime;
        links::LinkReceiver receiver;
        QVERIFY(receiver.listen(channelIn(runtime)));
        QSignalSpy received(&receiver, &links::LinkReceiver::linksReceived);
        Program program(runtime.path());
        const ProcessRun run = program.run({magnet1, QStringLiteral("https://example.org/a")});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(),
                 (QStringList{magnet1, QStringLiteral("https://example.org/a")}));
    }

    // With none running, the start with links opens its window and receives later links; a
    // socket file left by a crash does not stop it.
    void firstStartReceivesLaterOnes_data()
    {
        QTest::addColumn<bool>("staleSocket");
        QTest::newRow("clean") << false;
        QTest::newRow("socket file left by a crash") << true;
    }
    void firstStartReceivesLaterOnes()
    {
        QFETCH(bool, staleSocket);
        QTemporaryDir runtime;
        const QString name = channelIn(runtime);
        if (staleSocket) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, QFile::encodeName(name).constData(),
                     sizeof address.sun_path);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
            QVERIFY(QFileInfo::exists(name));
            QVERIFY(!isListeningOn(name));
        }
        Program first(runtime.path());
        first.start({magnet1});
        QVERIFY(first.process.waitForStarted(60000));
        TRY_VERIFY(isListeningOn(name));
        QCOMPARE(first.process.state(), QProcess::Running);

        Program second(runtime.path());
        const ProcessRun run = second.run({magnet2});
        QCOMPARE(run.status, 0);
        TRY_VERIFY(first.log().contains("Links handed over by another start: 1"));
        QVERIFY(second.log().isEmpty());

        // A later start without links opens its own window and leaves the name to the first.
        Program third(runtime.path());
        third.start({});
        TRY_VERIFY(third.log().contains(
            "Links of later starts do not come here: another Tavrin receives them"));
        QCOMPARE(links::handOverLinks(name, {magnet3}).outcome, links::HandOver::Outcome::Handed);
        TRY_COMPARE(first.log().count("Links handed over by another start: 1"), 2);
    }

    // --new-instance keeps its links to itself, and a path that is not a socket is left alone.
    void newInstanceAndForeignFiles()
    {
        QTemporaryDir runtime;
        const QString name = channelIn(runtime);
        QVERIFY(QFile::link(runtime.filePath(QStringLiteral("elsewhere")), name));
        Program program(runtime.path());
        program.start({QStringLiteral("--new-instance"), magnet1});
        QVERIFY(program.process.waitForStarted(60000));
        TRY_VERIFY(program.log().contains("Links of later starts do not come here"));
        QVERIFY(QFileInfo(name).isSymLink());
        QCOMPARE(program.process.state(), QProcess::Running);

        links::LinkReceiver receiver;
        QVERIFY(!receiver.listen(name));
        QVERIFY(QFileInfo(name).isSymLink());
    }

    // A sender that says something else, or too much, is dropped without a word to the window.
    void receiverBoundsWhatItReads()
    {
        QTemporaryDir runtime;
        links::LinkReceiver receiver;
        QVERIFY(receiver.listen(channelIn(runtime)));
        QSignalSpy received(&receiver, &links::LinkReceiver::linksReceived);
        QSignalSpy refused(&receiver, &links::LinkReceiver::linkRefused);
        QLocalSocket stranger;
        stranger.connectToServer(channelIn(runtime));
        QVERIFY(stranger.waitForConnected(60000));
        stranger.write("GET / HTTP/1.0\n\n");
        TRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);

        QLocalSocket flood;
        flood.connectToServer(channelIn(runtime));
        QVERIFY(flood.waitForConnected(60000));
        flood.write("TAVRIN-LINKS 1\n");
        const QByteArray line = "magnet:?" + QByteArray(64 * 1024 - 8, 'a') + '\n';
        for (int i = 0; i < 1002 && flood.state() == QLocalSocket::ConnectedState; ++i) {
            flood.write(line);
            flood.waitForBytesWritten(100);
            QCoreApplication::processEvents();
        }
        TRY_COMPARE(flood.state(), QLocalSocket::UnconnectedState);

        QLocalSocket mixed;
        mixed.connectToServer(channelIn(runtime));
        QVERIFY(mixed.waitForConnected(60000));
        mixed.write("TAVRIN-LINKS 1\nftp://x\n" + magnet1.toUtf8() + "\n\n");
        TRY_COMPARE(received.size(), 1);
        QCOMPARE(received.first().first().toStringList(), QStringList{magnet1});
        QCOMPARE(refused.size(), 1);
        TRY_VERIFY(mixed.bytesAvailable() > 0 || mixed.waitForReadyRead(100));
        QCOMPARE(mixed.readAll(), QByteArray("OK\n"));
    }

    // SIGTERM (a logout) and SIGINT end the program as closing its window does: the window's
    // size is written, the status is 0.
    void terminationEndsAsClosingDoes_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminationEndsAsClosingDoes()
    {
        QFETCH(int, signalNumber);
        QTemporaryDir runtime;
        Program program(runtime.path());
        program.start({});
        QVERIFY(program.process.waitForStarted(60000));
        TRY_VERIFY(isListeningOn(channelIn(runtime)));
        ::kill(pid_t(program.process.processId()), signalNumber);
        QVERIFY(program.process.waitForFinished(60000));
        QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process.exitCode(), 0);
        QFile settings(program.home.filePath(QStringLiteral("c/Tavrin/Tavrin.conf")));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY2(settings.readAll().contains("Width="), qPrintable(settings.fileName()));
        // The socket goes with it.
        QVERIFY(!QFileInfo::exists(channelIn(runtime)));
    }
};

QTEST_MAIN(TestLinks)
#include "tst_links.moc"
