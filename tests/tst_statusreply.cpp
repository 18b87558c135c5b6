// Status replies through the processor and the list model, without widgets.
#include "core/columns/ColumnLayout.h"
#include "core/torrents/FieldDisplay.h"
#include "core/torrents/ReplyRows.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "support/StatusRows.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace tavrin;
using test::statusReply;
using test::v3Row;

struct Fixture {
    Fixture() { columns::parse(layout, columns::defaultText(true)); }
    StatusReplyOutcome process(const QByteArray& text, int clicked = 0)
    {
        return processor.process(text, layout, model, RequestKind::Status, clicked);
    }
    pugi::xml_document layout;
    TorrentListModel model;
    StatusReplyProcessor processor;
};

class TestStatusReply : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A number is rounded to whole (a half to even), then shown in Kb/s with two decimals (a half
    // rounds up); anything else as it came.
    void displayedValue_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("shown");
        const char* rows[][2] = {{"12 MB", "12 MB"},
                                 {"", ""},
                                 {" \t1750 ", "1.75Kb/s"},
                                 {"-250", "-.25Kb/s"},
                                 {"-4", ".00Kb/s"},
                                 {"1.75e3", "1.75Kb/s"},
                                 {"1005", "1.01Kb/s"},
                                 {"9223372036854775807", "9223372036854775.81Kb/s"},
                                 {"12345678901234567890", "12345678901234567890"},
                                 {"1e400", "1e400"},
                                 {"1e-400", ".00Kb/s"},
                                 {"NaN", "NaN"},
                                 {"1,000", "1,000"},
                                 {"232.06", ".23Kb/s"},
                                 {"1234.5", "1.23Kb/s"},
                                 {"1235.5", "1.24Kb/s"},
                                 {"-1234.51", "-1.24Kb/s"},
                                 {"85.0%", "85.0%"}};
        for (const auto& [field, shown] : rows)
            QTest::newRow(field) << QByteArray(field) << QString::fromLatin1(shown);
    }
    void displayedValue()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, shown);
        QCOMPARE(display::displayedValue(field), shown);
    }

    // Rows of bars only fill every byte counter, up to and past the length it is summed at.
    void countsTheBarsOfLongRows_data()
    {
        QTest::addColumn<int>("length");
        for (const int length : {0, 15, 17, 4079, 4080, 4097, 9000})
            QTest::addRow("%d", length) << length;
    }
    void countsTheBarsOfLongRows()
    {
        QFETCH(int, length);
        const QByteArray bars(length, '|');
        QByteArray mixed = bars;
        for (int i = 0; i < length; i += 3)
            mixed[i] = 'x';
        QCOMPARE(replyrows::countBars(bars), length);
        QCOMPARE(replyrows::countBars(mixed), mixed.count('|'));
    }

    // Fields looked up in one walk that stops at the last one wanted: before and after sixteen
    // bytes, the last field, and numbers past the row's end (left empty).
    void findsFieldsByNumber_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<QList<int>>("numbers");
        const QByteArray longRow = "name-of-a-torrent|WORKING|41.5%|1h 34m|7.29 GB|807.12Kb/s|T1";
        QTest::newRow("short row, every field") << QByteArray("a|b|c") << QList<int>{1, 2, 3};
        QTest::newRow("short row, past its end") << QByteArray("a|b") << QList<int>{3, 2, 0};
        QTest::newRow("one field") << QByteArray("alone") << QList<int>{1, 2, 1};
        QTest::newRow("long row, in the first step") << longRow << QList<int>{1, 2, 0};
        QTest::newRow("long row, past sixteen bytes") << longRow << QList<int>{6, 3, 4};
        QTest::newRow("long row, the identifier") << longRow << QList<int>{7, 1, 5};
        QTest::newRow("long row, past its end") << longRow << QList<int>{8, 7, 2};
        QTest::newRow("empty fields") << QByteArray("||||||||||||||||||x") << QList<int>{18, 19, 1};
    }
    void findsFieldsByNumber()
    {
        QFETCH(QByteArray, row);
        QFETCH(QList<int>, numbers);
        const QList<QByteArray> fields = row.split('|');
        std::array<QByteArrayView, 3> found;
        replyrows::fieldsAt(row, std::array<int, 3>{numbers[0], numbers[1], numbers[2]}, found);
        for (std::size_t i = 0; i < found.size(); ++i) {
            const int n = numbers[qsizetype(i)];
            const bool exists = n >= 1 && n <= fields.size();
            QCOMPARE(found[i].data() != nullptr, exists);
            if (exists)
                QCOMPARE(found[i].toByteArray(), fields[n - 1]);
        }
    }

    void fillsRowsLogsThemAndReselects()
    {
        Fixture f;
        // CR LF line ends leave the CR in the identifier; more fields than the layout needs are
        // fine; bytes beyond ASCII come back unchanged; a duplicate identifier updates the first
        // item; the identifier may be empty.
        const QByteArray id = "\xe9\xff\x80 id";
        const QByteArrayList rows = {v3Row("A") + "\r", v3Row("B", {{1, "caf\xe9"}}) + "|" + id,
                                     v3Row(id, {{3, "second"}}), v3Row("")};
        const QByteArray text = "Header\r\n\n" + rows.join('\n') + "\n\n";
        QByteArrayList log{"Got Message: " + text};
        for (int r = 0; r < 4; ++r)
            log << "Row: " + rows[r] << "Row contains cols: 2" + QByteArray::number(2 + (r == 1));
        QCOMPARE(f.process(text).logLines.messages(), log);
        for (int p : {1, 2, 3})
            QCOMPARE(f.model.findTorrent(QByteArrayList{"A\r", id, ""}.at(p - 1)), p);
        QCOMPARE(f.model.text(2, 0), QString::fromLatin1("caf\xe9"));
        QCOMPARE(f.model.text(2, 2), QStringLiteral("second"));
        for (int k = 0; k <= 20; ++k)
            QCOMPARE(f.model.text(1, k), QStringLiteral("f%1").arg(k + 1));

        // Field 2 hidden: sub-item 1 shows field 3 of the very same row text, and the cell
        // beyond the plan shows nothing.
        columns::elementAt(f.layout, 2).attribute("show").set_value("0");
        f.process(text);
        QCOMPARE(f.model.text(1, 1), QStringLiteral("f3"));
        QCOMPARE(f.model.text(1, 19), QStringLiteral("f21"));
        QCOMPARE(f.model.text(1, 20), QString());
        QCOMPARE(f.model.text(1, 0), QStringLiteral("f1"));
        // The clicked position is selected again when the reply still has it.
        QCOMPARE(f.process(statusReply({v3Row("A"), v3Row("B")}), 3).selectPosition, 0);
        const QByteArray three = statusReply({v3Row("A"), v3Row("B"), v3Row("C")});
        // Other requests' replies are only logged.
        const StatusReplyOutcome other =
            f.processor.process(three, f.layout, f.model, RequestKind::Single, 2);
        QCOMPARE(other.logLines.messages(), QByteArrayList({"Got Message: " + three}));
        QCOMPARE(other.selectPosition, 0);
        QCOMPARE(f.model.count(), 2);
        QCOMPARE(f.process(three, 3).selectPosition, 3);
        // Replies without rows empty the list and select nothing.
        for (const QByteArray& empty : QByteArrayList{"Header only", "Header\n\n\n", ""}) {
            const StatusReplyOutcome outcome = f.process(empty, 1);
            QCOMPARE(outcome.logLines.messages(), QByteArrayList({"Got Message: " + empty}));
            QCOMPARE(outcome.selectPosition, 0);
            QCOMPARE(f.model.count(), 0);
            f.process(three);
        }
        // Positions beyond 16 bits, without a log.
        QByteArrayList many;
        for (int i = 1; i <= 33000; ++i)
            many.append(v3Row("T" + QByteArray::number(i)));
        f.processor = StatusReplyProcessor(false);
        const StatusReplyOutcome outcome = f.process(statusReply(many), 32800);
        QVERIFY(outcome.logLines.isEmpty());
        QCOMPARE(outcome.selectPosition, 32800);
        QCOMPARE(f.model.findTorrent("T33000"), 33000);
    }

    void refreshTouchesOnlyWhatChanged()
    {
        Fixture f;
        f.model.setColumns(QStringList(21, QString()));
        QAbstractItemModelTester tester(&f.model);
        QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&f.model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
        f.process(statusReply(
            {v3Row("A"), v3Row("B", {{5, "750"}}), v3Row("C"), v3Row("D"), v3Row("E")}));
        QCOMPARE(inserted.at(0).mid(1), QVariantList({0, 4}));
        // The vanished C and D go in one batch; E is unchanged, and B's number written
        // differently shows the same text. The main text is written once, when the item is
        // created; changed rows are reported whole.
        f.process(statusReply({v3Row("E"),
                               v3Row("A", {{1, "new"}, {7, "2000"}, {8, "x"}, {9, "y"}, {12, "z"}}),
                               v3Row("B", {{5, "750.0"}}), v3Row("F")}));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.at(0).mid(1), QVariantList({2, 3}));
        QCOMPARE(f.model.text(1, 0), QStringLiteral("f1"));
        QCOMPARE(f.model.text(1, 6), QStringLiteral("2.00Kb/s"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.last().first(2),
                 QVariantList({f.model.index(0, 0), f.model.index(0, 20)}));
        // One range from the first changed row to the last, whatever order they came in.
        f.process(statusReply({v3Row("E", {{4, "r"}}), v3Row("A", {{10, "q"}}),
                               v3Row("B", {{5, "750.0"}}), v3Row("F")}));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().first(2),
                 QVariantList({f.model.index(0, 0), f.model.index(2, 20)}));
        // A and B go in one batch, F in another.
        f.process(statusReply({v3Row("E")}));
        QCOMPARE(removed.size(), 3);
        QCOMPARE(f.model.torrentId(1), "E");

        // Many changed rows are one range, and never a layout change: nothing moves.
        QSignalSpy relaid(&f.model, &QAbstractItemModel::layoutChanged);
        QByteArrayList many;
        for (int i = 0; i < 300; ++i)
            many << v3Row(QByteArray::number(i));
        f.process(statusReply(many));
        const qsizetype changes = changed.size();
        f.process(statusReply(many).replace("|f2|", "|moved|"));
        QCOMPARE(relaid.size(), 0);
        QCOMPARE(changed.size(), changes + 1);
        QCOMPARE(changed.last().first(2),
                 QVariantList({f.model.index(0, 0), f.model.index(299, 20)}));
        QCOMPARE(f.model.text(300, 1), QStringLiteral("moved"));
    }

    // A failing row leaves the list as it was: no half-made item, no removal pass. The layout
    // the reply meets, the bad row, the error (none: processing ends quietly after the first
    // row), whether the rows before it were applied.
    void failingRowLeavesTheListAsItWas_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("bad");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("applied");
        const QString v3 = columns::defaultText(true);
        QTest::newRow("short row of a new torrent")
            << v3 << QByteArray("a|b|c|NEW")
            << "Error - The row has 4 fields; column \"ETA\" shows field 5." << true;
        // A known torrent keeps its main text, but its sub-items still need their fields.
        QTest::newRow("short row of a known torrent")
            << v3 << QByteArray("a|A")
            << "Error - The row has 2 fields; column \"BT Status\" "
               "shows field 3."
            << true;
        QTest::newRow("a position without a column")
            << QString(v3).replace("index='2'", "index='x'") << v3Row("NEW")
            << "Error - No column has display position 2." << false;
        QTest::newRow("no column shown") << "<Cols><Col key='A' index='1' show='0'/></Cols>"
                                         << v3Row("NEW") << QString() << false;
    }
    void failingRowLeavesTheListAsItWas()
    {
        QFETCH(QString, layout);
        QFETCH(QByteArray, bad);
        QFETCH(QString, error);
        QFETCH(bool, applied);
        Fixture f;
        f.process(statusReply({v3Row("A"), v3Row("B", {{4, "Low"}})}));
        columns::parse(f.layout, layout);
        const StatusReplyOutcome outcome =
            f.process(statusReply({"", v3Row("B", {{4, "High"}}), bad, v3Row("C")}), 1);
        QCOMPARE(outcome.error, error);
        QCOMPARE(outcome.logLines.last(),
                 error.isEmpty() ? outcome.logLines.message(2) : error.toLatin1());
        // Nothing selected; A stays although the reply does not name it.
        QCOMPARE(outcome.selectPosition, 0);
        QCOMPARE(f.model.count(), 2);
        QCOMPARE(f.model.text(2, 3), applied ? QStringLiteral("High") : QStringLiteral("Low"));
    }

    // The default layout, one with the status moved to the last position and hidden, and one of
    // version 2 (no priority; its rows are shorter, but their third field is the status too).
    void keptFieldsWhereverTheColumnsStand_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("priority");
        QTest::newRow("version 3") << columns::defaultText(true) << QByteArray("Normal");
        QTest::newRow("status moved and hidden")
            << QStringLiteral("<Cols><Col key='FileName' index='1' show='1'/><Col key='Progress' "
                              "index='2' show='1'/><Col key='BT Status' index='4' show='0'/><Col "
                              "key='Priority' index='3' show='1'/></Cols>")
            << QByteArray("Normal");
        QTest::newRow("version 2") << columns::defaultText(false) << QByteArray();
    }
    void keptFieldsWhereverTheColumnsStand()
    {
        using enum TorrentListModel::KeptField;
        QFETCH(QString, layout);
        QFETCH(QByteArray, priority);
        Fixture f;
        columns::parse(f.layout, layout);
        const auto kept = [&f](auto which) { return f.model.keptField(1, which).toByteArray(); };
        f.process(statusReply({v3Row("A", {{3, "WORKING"}, {4, "Normal"}})}));
        QCOMPARE(kept(Status), QByteArray("WORKING"));
        QCOMPARE(kept(Priority), priority);
        // A change in the status alone reaches the kept field, shown or not.
        f.process(statusReply({v3Row("A", {{3, "pause"}, {4, "Normal"}})}));
        QCOMPARE(kept(Status), QByteArray("pause"));
        QCOMPARE(kept(Priority), priority);
    }

    // Hidden columns read the status (field 2) and the download speed (field 3); a row short
    // enough that such a field is its identifier neither finishes nor counts a speed.
    void identifierIsNeverAKeptField_data()
    {
        QTest::addColumn<QByteArray>("row");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<double>("download");
        QTest::newRow("both are data fields")
            << QByteArray("A|COMPLETED|2048|T1") << true << 2048.0;
        QTest::newRow("the speed is the identifier")
            << QByteArray("A|COMPLETED|2048") << true << 0.0;
        QTest::newRow("the status is the identifier") << QByteArray("A|COMPLETED") << false << 0.0;
    }
    void identifierIsNeverAKeptField()
    {
        QFETCH(QByteArray, row);
        QFETCH(bool, complete);
        QFETCH(double, download);
        Fixture f;
        columns::parse(f.layout,
                       QStringLiteral("<Cols><Col key='FileName' index='1' show='1'/><Col "
                                      "key='BT Status' index='2' show='0'/><Col key='DL Speed' "
                                      "index='3' show='0'/></Cols>"));
        const StatusReplyOutcome outcome = f.process("header\n" + row + '\n');
        QCOMPARE(outcome.error, QString());
        QCOMPARE(f.model.count(), 1);
        QCOMPARE(f.model.isCompleteAt(0), complete);
        QCOMPARE(f.model.speedTotals().download, download);
    }

    // Two torrents whose rows come in the other order: each item keeps its own row, however
    // alike the identifiers are in their first eight bytes.
    void swappedRowsFindTheirItems_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::newRow("short") << QByteArray("T1") << QByteArray("T2");
        QTest::newRow("alike in eight bytes") << QByteArray("abcdefgh1") << QByteArray("abcdefgh2");
        QTest::newRow("one longer") << QByteArray("abcdefgh") << QByteArray("abcdefgh2");
        QTest::newRow("eight and nine bytes")
            << QByteArray("abcdefg\0", 8) << QByteArray("abcdefg\0\0", 9);
    }
    void swappedRowsFindTheirItems()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        Fixture f;
        f.process(statusReply({v3Row(first, {{1, "one"}}), v3Row(second, {{1, "two"}})}));
        f.process(statusReply(
            {v3Row(second, {{1, "two"}, {6, "2 MB"}}), v3Row(first, {{1, "one"}, {6, "1 MB"}})}));
        QCOMPARE(f.model.count(), 2);
        QCOMPARE(f.model.torrentId(1), first);
        QCOMPARE(f.model.text(1, 0), QStringLiteral("one"));
        QCOMPARE(f.model.text(1, 5), QStringLiteral("1 MB"));
        QCOMPARE(f.model.torrentId(2), second);
        QCOMPARE(f.model.text(2, 5), QStringLiteral("2 MB"));
    }
};

QTEST_GUILESS_MAIN(TestStatusReply)
#include "tst_statusreply.moc"
