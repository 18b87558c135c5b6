// The list as the user works in it, in the real window against a recording loopback server:
// sorting by a header click, the filters, the context menu on a sorted or filtered list, the
// chain's progress with Cancel, and the notice of rows from the other server version.
#include "core/settings/SettingsStore.h"
#include "support/StatusRows.h"
#include "support/Waits.h"
#include "support/WindowHarness.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>

using namespace tavrin;
using namespace tavrin::test;

namespace {

struct Torrent {
    QByteArray id, name, size, status;
};

// Four torrents whose sizes sort otherwise than they come; T3's size means nothing.
const QList<Torrent> fourTorrents = {{"T1", "Movie one", "700 MB", "WORKING"},
                                     {"T2", "debian.iso", "512 KB", "pause"},
                                     {"T3", "notes", "-", "WORKING"},
                                     {"T4", "movie two", "1.74 GB", "WORKING"}};

QByteArray replyOf(const QList<Torrent>& torrents)
{
    QByteArrayList rows;
    for (const Torrent& t : torrents)
        rows << v3Row(t.id, {{1, t.name}, {2, "10.0%"}, {3, t.status}, {6, t.size}});
    return statusReply(rows) + '\n';
}

MainWindowOptions slowChains()
{
    MainWindowOptions options;
    options.chainDelayMs = 600000; // a chain stays at its first step until the test moves on
    return options;
}

struct Harness : WindowHarness {
    explicit Harness(const QMap<QString, QString>& stored = {}, MainWindowOptions options = {})
        : WindowHarness(stored, options)
    {
        server.setResponder([this](const QByteArray& request) -> std::optional<QByteArray> {
            return request.endsWith("QUERY|") ? replyOf(torrents) : QByteArray("Feedback\nOK\n");
        });
        window->show();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the window did not become active");
        connectAs(QStringLiteral("u"));
        refresh();
    }
    // The identifiers in the order the list shows them.
    QByteArrayList shownIds() const
    {
        QByteArrayList ids;
        for (int row = 0; row < shown().rowCount(); ++row)
            ids << model().torrentId(rowToPosition(row));
        return ids;
    }
    int rowToPosition(int row) const
    {
        // The name is unique here: it finds the list's item behind a shown row.
        const QString name = shown().index(row, 0).data().toString();
        for (int p = 1; p <= model().count(); ++p)
            if (model().text(p, 0) == name)
                return p;
        return 0;
    }
    void clickHeader(const QString& caption)
    {
        QHeaderView* header = list()->header();
        const int section = static_cast<int>(model().columns().indexOf(caption));
        list()->scrollTo(shown().index(0, section));
        const QPoint at(header->sectionViewportPosition(section) + 4, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }
    QLabel* statusText() const { return window->findChild<QLabel*>("connectionStatus"); }
    QComboBox* statusFilter() const { return window->findChild<QComboBox*>("statusFilter"); }

    QList<Torrent> torrents = fourTorrents;
};

} // namespace

class TestListView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Ascending, descending, the server's order: each click shows its indicator and is kept
    // for the server version, so a new window starts sorted as the last one was left.
    void headerClicksSortAndAreKept()
    {
        Harness h;
        QHeaderView* header = h.list()->header();
        const QByteArrayList server = {"T1", "T2", "T3", "T4"};
        QCOMPARE(h.shownIds(), server);
        h.clickHeader("Size");
        QCOMPARE(h.shownIds(), (QByteArrayList{"T2", "T1", "T4", "T3"}));
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
        h.clickHeader("Size");
        QCOMPARE(h.shownIds(), (QByteArrayList{"T4", "T1", "T2", "T3"}));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(h.env.settings->readIn(QStringLiteral("View"), QStringLiteral("SortColumn3")),
                 QStringLiteral("Size"));
        QCOMPARE(h.env.settings->readIn(QStringLiteral("View"), QStringLiteral("SortOrder3")),
                 QStringLiteral("descending"));

        // The order holds across a reply that changes a size.
        h.torrents[2].size = "2 GB";
        h.refresh();
        QCOMPARE(h.shownIds(), (QByteArrayList{"T3", "T4", "T1", "T2"}));

        MainWindow again(*h.env.settings, h.env.prompter, h.env.clock);
        auto* againHeader = accessible<QTreeView>(again, "Torrents")->header();
        QVERIFY(againHeader->isSortIndicatorShown());
        QCOMPARE(againHeader->sortIndicatorOrder(), Qt::DescendingOrder);

        h.clickHeader("Size");
        QCOMPARE(h.shownIds(), server);
        QVERIFY(!header->isSortIndicatorShown());
        // The [Main] keys are untouched by the choice.
        QCOMPARE(h.env.settings->read(QStringLiteral("SortColumn3")), QString());
    }

    // The filter narrows as one types, Ctrl+F reaches it, Esc clears it; the status filter reads
    // the status field; the status bar counts all torrents and the shown ones.
    void filtersNarrowTheList()
    {
        MainWindowOptions fastChains;
        fastChains.chainDelayMs = 1;
        Harness h({}, fastChains);
        QLineEdit* filter = h.edit("Filter");
        QVERIFY(filter);
        QVERIFY(filter->isVisible());
        QTest::keyClick(h.window.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(filter->hasFocus());
        QTest::keyClicks(filter, "MOVIE");
        QCOMPARE(h.shownIds(), (QByteArrayList{"T1", "T4"}));
        TRY_VERIFY(h.statusText()->text().contains("4 torrents, 2 shown"));
        QTest::keyClick(filter, Qt::Key_Escape);
        QCOMPARE(filter->text(), QString());
        QCOMPARE(h.shownIds(), (QByteArrayList{"T1", "T2", "T3", "T4"}));
        TRY_VERIFY(!h.statusText()->text().contains("shown"));
        h.statusFilter()->setCurrentText("Paused");
        QCOMPARE(h.shownIds(), QByteArrayList{"T2"});
        // The bulk buttons still act on every torrent: Pause All pauses the three working ones.
        const qsizetype sent = h.server.requests().size();
        h.button("Pause All")->click();
        TRY_COMPARE(h.server.requests().size(), sent + 4);
        QCOMPARE(h.commands(sent),
                 (QList<QByteArray>{"PAUSE|T1", "PAUSE|T3", "PAUSE|T4", "QUERY|"}));
    }

    // The menu acts on the torrent shown where the user clicked, by mouse or keyboard; a reply
    // that takes that torrent away while the menu is open still leaves the command to it.
    void contextMenuOnTheListAsShown_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("sorted by size, first row") << "sorted" << QByteArray("ID|u\nSTOP|T2");
        QTest::newRow("filtered, second row") << "filtered" << QByteArray("ID|u\nSTOP|T4");
        QTest::newRow("Menu key on the selected row") << "menu key" << QByteArray("ID|u\nSTOP|T1");
        QTest::newRow("Shift+F10 on the selected row")
            << "shift f10" << QByteArray("ID|u\nSTOP|T1");
        QTest::newRow("the torrent goes while the menu is open")
            << "removed" << QByteArray("ID|u\nSTOP|T2");
    }
    void contextMenuOnTheListAsShown()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, command);
        Harness h;
        if (how == "sorted" || how == "removed" || how == "menu key" || how == "shift f10")
            h.clickHeader("Size"); // T2 T1 T4 T3
        if (how == "filtered") {
            QTest::keyClicks(h.edit("Filter"), "movie"); // T1 T4
            h.openMenu(2);
        } else if (how == "menu key" || how == "shift f10") {
            h.list()->setFocus();
            h.list()->selectionModel()->setCurrentIndex(h.shown().index(1, 0),
                                                        QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
            if (how == "menu key")
                QTest::keyClick(h.list(), Qt::Key_Menu);
            else
                QTest::keyClick(h.list(), Qt::Key_F10, Qt::ShiftModifier);
        } else {
            h.openMenu(1);
        }
        QVERIFY(h.menu()->isVisible());
        if (how == "removed") {
            h.torrents.removeAt(1); // T2
            h.refresh();
            // The clicked position is a shown one: the first row shown is selected again.
            QCOMPARE(h.list()->selectionModel()->selectedRows(),
                     QModelIndexList{h.shown().index(0, 0)});
        }
        const qsizetype sent = h.server.requests().size();
        h.menuItem("stopAction")->trigger();
        h.menu()->hide();
        TRY_COMPARE(h.server.requests().size(), sent + 1);
        QCOMPARE(h.server.requests().last().bytes, command);
    }

    // Pause All says how far it is, of all torrents while a filter is on, and Cancel leaves the
    // rest: no further step, and polling goes on.
    void pauseAllShowsItsProgressAndCancels()
    {
        Harness h({}, slowChains());
        QTest::keyClicks(h.edit("Filter"), "movie");
        h.button("Pause All")->click();
        TRY_VERIFY(h.statusText()->text().startsWith("Pausing 1 of 4"));
        auto* cancel = h.window->findChild<QPushButton*>("cancelChainButton");
        QVERIFY(cancel->isVisible());
        TRY_VERIFY(h.window->session()->chainStepPending());
        const qsizetype sent = h.server.requests().size();
        cancel->click();
        QVERIFY(!h.window->session()->chainRunning());
        QVERIFY(!h.window->session()->chainStepPending());
        QVERIFY(!cancel->isVisible());
        QVERIFY(h.window->session()->refreshInterval() > 0);
        QVERIFY(h.window->session()->refreshRemainingMs() >= 0);
        QCOMPARE(h.server.requests().size(), sent);
        TRY_VERIFY(!h.statusText()->text().startsWith("Pausing"));
    }

    // Rows as long as the other version's layout: said once in the status bar, rows still read
    // as chosen (shorter rows fail as they always have, with their one box); one click switches.
    void rowsOfTheOtherVersionAreTold_data()
    {
        QTest::addColumn<bool>("version3");
        QTest::addColumn<int>("fields");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<int>("columnsAfter");
        QTest::newRow("version 2 chosen, version 3 rows") << false << 22 << 0 << 21;
        QTest::newRow("version 3 chosen, version 2 rows") << true << 15 << 1 << 14;
    }
    void rowsOfTheOtherVersionAreTold()
    {
        QFETCH(bool, version3);
        QFETCH(int, fields);
        QFETCH(int, boxes);
        QFETCH(int, columnsAfter);
        Harness h({{"Version3", version3 ? "true" : "false"}});
        h.server.setResponder([fields](const QByteArray& request) -> std::optional<QByteArray> {
            if (!request.endsWith("QUERY|"))
                return QByteArray("Feedback\nOK\n");
            QByteArray row;
            for (int f = 1; f <= fields; ++f)
                row += "v" + QByteArray::number(f) + '|';
            return "Torrents\n" + row + "T9\n";
        });
        h.refresh();
        const QString other = version3 ? "2" : "3";
        auto* notice = h.window->findChild<QLabel*>("versionNotice");
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(), "The server sends Kestrun " + other + " rows:");
        auto* button = h.window->findChild<QPushButton*>("switchVersionButton");
        QCOMPARE(button->text(), "Switch to Version " + other);
        QCOMPARE(h.env.prompter.messages.size(), boxes);
        button->click();
        QCOMPARE(h.model().columns().size(), columnsAfter);
        QVERIFY(!notice->isVisible());
        h.refresh();
        QCOMPARE(h.model().count(), 1);
        QVERIFY(!notice->isVisible());
        QCOMPARE(h.env.prompter.messages.size(), boxes);
    }

    // A refresh that changes more rows than a short range repaints what shows (the view does
    // not measure such a range row by row), and the status bar follows the new speeds.
    void longChangedRangeRepaintsWhatShows()
    {
        Harness h;
        h.torrents.clear();
        for (int i = 0; i < 300; ++i)
            h.torrents << Torrent{"T" + QByteArray::number(i), "name " + QByteArray::number(i),
                                  "1 MB", "WORKING"};
        h.refresh();
        QCOMPARE(h.model().count(), 300);
        struct PaintCount : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override
            {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        } counter;
        h.list()->viewport()->installEventFilter(&counter);
        // Whatever was still to be painted goes first.
        QTest::qWait(100);
        counter.paints = 0;
        for (Torrent& t : h.torrents)
            t.size = "2 MB";
        h.refresh();
        QCOMPARE(h.shown().index(0, 5).data().toString(), QStringLiteral("2 MB"));
        QTRY_VERIFY_WITH_TIMEOUT(counter.paints > 0, 60000);
    }
};

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
