// Status replies through the processor and the list model, without widgets.
#include "core/columns/ColumnLayout.h"
#include "core/torrents/FieldDisplay.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TagIndex.h"
#include "core/torrents/TorrentListModel.h"
#include "support/StatusRows.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace tavrin;
using test::statusReply;
using test::v3Row;

namespace {

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

} // namespace

class TestStatusReply : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void displayedValue_data();
    void displayedValue();
    void fillsRowsAndLogsThem();
    void refreshTouchesOnlyWhatChanged();
    void failingRowLeavesTheListAsItWas_data();
    void failingRowLeavesTheListAsItWas();
    void reselection();
    void tagIndexKeepsTheFirstOfEqualTags_data();
    void tagIndexKeepsTheFirstOfEqualTags();
    void keptFieldsWhereverTheColumnsStand_data();
    void keptFieldsWhereverTheColumnsStand();
};

void TestStatusReply::displayedValue_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("shown");
    QTest::newRow("unit after number") << QByteArray("12 MB") << "12 MB";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("blanks") << QByteArray(" \t1750 ") << "1.75Kb/s";
    QTest::newRow("negative") << QByteArray("-250") << "-.25Kb/s";
    QTest::newRow("tiny negative") << QByteArray("-4") << ".00Kb/s";
    QTest::newRow("exponent") << QByteArray("1.75e3") << "1.75Kb/s";
    QTest::newRow("half to even up") << QByteArray("1004.5") << "1.00Kb/s";
    QTest::newRow("pattern rounds half up") << QByteArray("1005") << "1.01Kb/s";
    QTest::newRow("largest") << QByteArray("9223372036854775807") << "9223372036854775.81Kb/s";
    QTest::newRow("smallest") << QByteArray("-9223372036854775808") << "-9223372036854775.81Kb/s";
    QTest::newRow("beyond 64 bits") << QByteArray("12345678901234567890") << "12345678901234567890";
    QTest::newRow("1e400") << QByteArray("1e400") << "1e400";
    QTest::newRow("1e-400") << QByteArray("1e-400") << ".00Kb/s";
    QTest::newRow("NaN") << QByteArray("NaN") << "NaN";
    QTest::newRow("thousands separator") << QByteArray("1,000") << "1,000";
    QTest::newRow("sign alone") << QByteArray("-") << "-";
}

void TestStatusReply::displayedValue()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, shown);
    QCOMPARE(display::displayedValue(field), shown);
}

void TestStatusReply::fillsRowsAndLogsThem()
{
    Fixture f;
    // CR LF line ends leave the CR in the identifier; more fields than the layout needs are
    // fine; bytes beyond ASCII come back unchanged; a duplicate identifier updates the first
    // item; the identifier may be empty.
    const QByteArray id = "\xe9\xff\x80 id";
    const QByteArrayList rows = {v3Row("A") + "\r", v3Row("B", {{1, "caf\xe9"}}) + "|" + id,
                                 v3Row(id, {{3, "second"}}), v3Row("")};
    const QByteArray text = "Header\r\n\n" + rows.join('\n') + "\n\n";
    QCOMPARE(f.process(text).logLines.messages(),
             QByteArrayList({"Got Message: " + text, "Row: " + rows[0], "Row contains cols: 22",
                             "Row: " + rows[1], "Row contains cols: 23", "Row: " + rows[2],
                             "Row contains cols: 22", "Row: " + rows[3], "Row contains cols: 22"}));
    QCOMPARE(f.model.findByTag("A\r"), 1);
    QCOMPARE(f.model.findByTag(id), 2);
    QCOMPARE(f.model.findByTag(""), 3);
    QCOMPARE(f.model.text(2, 0), QString::fromLatin1("caf\xe9"));
    QCOMPARE(f.model.text(2, 2), QStringLiteral("second"));
    QCOMPARE(f.model.subItemCount(1), 20);
    for (int k = 0; k <= 20; ++k)
        QCOMPARE(f.model.text(1, k), QStringLiteral("f%1").arg(k + 1));

    // Field 2 hidden: sub-item 1 shows field 3 of the very same row text. A cell set from
    // outside is not mistaken for the row's own text either.
    columns::elementAt(f.layout, 2).attribute("show").set_value("0");
    f.process(text);
    QCOMPARE(f.model.text(1, 1), QStringLiteral("f3"));
    f.model.setSubItemText(1, 2, QStringLiteral("typed"));
    f.process(text);
    QCOMPARE(f.model.text(1, 2), QStringLiteral("f4"));
}

void TestStatusReply::refreshTouchesOnlyWhatChanged()
{
    Fixture f;
    f.model.setColumns(QStringList(21, QString()));
    QAbstractItemModelTester tester(&f.model);
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&f.model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    f.process(
        statusReply({v3Row("A"), v3Row("B", {{5, "750"}}), v3Row("C"), v3Row("D"), v3Row("E")}));
    QCOMPARE(inserted.at(0).mid(1), QVariantList({0, 4}));
    // The vanished C and D go in one batch; E is unchanged, and B's number written differently
    // shows the same text. The main text is written once, when the item is created; changed
    // rows are reported whole.
    f.process(statusReply({v3Row("E"),
                           v3Row("A", {{1, "new"}, {7, "2000"}, {8, "x"}, {9, "y"}, {12, "z"}}),
                           v3Row("B", {{5, "750.0"}}), v3Row("F")}));
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).mid(1), QVariantList({2, 3}));
    QCOMPARE(f.model.findByTag("F"), 4);
    QCOMPARE(f.model.text(1, 0), QStringLiteral("f1"));
    QCOMPARE(f.model.text(1, 6), QStringLiteral("2.00Kb/s"));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).mid(0, 2), QVariantList({f.model.index(0, 0), f.model.index(0, 20)}));
    // One range from the first changed row to the last, whatever order they came in.
    f.process(statusReply(
        {v3Row("E", {{4, "r"}}), v3Row("A", {{10, "q"}}), v3Row("B", {{5, "750.0"}}), v3Row("F")}));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(1).mid(0, 2), QVariantList({f.model.index(0, 0), f.model.index(2, 20)}));
    f.process(statusReply({v3Row("E")}));
    QCOMPARE(removed.size(), 3);
    QCOMPARE(f.model.tag(1), QByteArray("E"));

    // Many changed rows are one layout change, so a view lays the rows out once.
    QSignalSpy relaid(&f.model, &QAbstractItemModel::layoutChanged);
    QByteArrayList many;
    QByteArrayList moved;
    for (int i = 0; i < 300; ++i) {
        many.append(v3Row(QByteArray::number(i)));
        moved.append(v3Row(QByteArray::number(i), {{2, "moved"}}));
    }
    f.process(statusReply(many));
    const qsizetype changes = changed.size();
    f.process(statusReply(moved));
    QCOMPARE(relaid.size(), 1);
    QCOMPARE(changed.size(), changes);
    QCOMPARE(f.model.text(300, 1), QStringLiteral("moved"));
}

void TestStatusReply::failingRowLeavesTheListAsItWas_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("applied");
    const QString v3 = columns::defaultText(true);
    QTest::newRow("too few fields")
        << v3 << QByteArray("a|b|c|NEW")
        << "Error - The row has 4 fields; column \"ETA\" shows field 5." << true;
    QTest::newRow("layout does not parse")
        << "<Cols" << v3Row("NEW") << "Error - No column has display position 1." << false;
    QTest::newRow("gap in the walk")
        << QString(v3).replace("index='2'", "index='x'") << v3Row("NEW")
        << "Error - No column has display position 2." << false;
    // Without any shown position processing ends quietly after the first row.
    QTest::newRow("none shown") << "<Cols><Col key='A' index='1' show='0'/></Cols>" << v3Row("NEW")
                                << "" << false;
}

void TestStatusReply::failingRowLeavesTheListAsItWas()
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
    QCOMPARE(outcome.selectPosition, 0);
    // No half-made item, no removal pass: A stays although the reply does not name it.
    QCOMPARE(f.model.count(), 2);
    QCOMPARE(f.model.text(2, 3), applied ? QStringLiteral("High") : QStringLiteral("Low"));
}

void TestStatusReply::reselection()
{
    Fixture f;
    QCOMPARE(f.process(statusReply({v3Row("A"), v3Row("B")}), 3).selectPosition, 0);
    const QByteArray three = statusReply({v3Row("A"), v3Row("B"), v3Row("C")});
    // Other requests' replies are only logged.
    const StatusReplyOutcome other =
        f.processor.process(three, f.layout, f.model, RequestKind::Single, 2);
    QCOMPARE(other.logLines.messages(), QByteArrayList({"Got Message: " + three}));
    QCOMPARE(other.selectPosition + f.model.count(), 2);
    QCOMPARE(f.process(three, 3).selectPosition, 3);
    // Replies without rows empty the list and select nothing.
    for (const QByteArray& text : QByteArrayList{"Header only", "Header\n\n\n", ""}) {
        const StatusReplyOutcome outcome = f.process(text, 1);
        QCOMPARE(outcome.logLines.messages(), QByteArrayList({"Got Message: " + text}));
        QCOMPARE(outcome.selectPosition + f.model.count(), 0);
        f.process(three);
    }
    // Positions beyond 16 bits, without a log.
    QByteArrayList rows;
    for (int i = 1; i <= 33000; ++i)
        rows.append(v3Row("T" + QByteArray::number(i)));
    f.processor = StatusReplyProcessor(false);
    const StatusReplyOutcome outcome = f.process(statusReply(rows), 32800);
    QVERIFY(outcome.logLines.isEmpty());
    QCOMPARE(outcome.selectPosition, 32800);
    QCOMPARE(f.model.findByTag("T33000"), 33000);
}

void TestStatusReply::tagIndexKeepsTheFirstOfEqualTags_data()
{
    QTest::addColumn<QByteArrayList>("tags");
    QTest::newRow("one") << QByteArrayList{"a"};
    QTest::newRow("equal neighbours") << QByteArrayList{"a", "a", "b"};
    QTest::newRow("equal apart") << QByteArrayList{"b", "a", "c", "a", "", "a", ""};
    QByteArrayList many; // enough to make the table grow while equal tags are added
    for (int i = 0; i < 200; ++i)
        many << "T" + QByteArray::number(i % 70);
    QTest::newRow("growing") << many;
}

void TestStatusReply::tagIndexKeepsTheFirstOfEqualTags()
{
    QFETCH(QByteArrayList, tags);
    const auto tagOf = [&](int row) { return QByteArrayView(tags.at(row)); };
    TagIndex added;
    for (int row = 0; row < tags.size(); ++row)
        added.insert(tags.at(row), row, tagOf);
    TagIndex rebuilt;
    rebuilt.rebuild(static_cast<int>(tags.size()), tagOf);
    for (const QByteArray& tag : tags) {
        QCOMPARE(added.find(tag, tagOf), tags.indexOf(tag));
        QCOMPARE(rebuilt.find(tag, tagOf), tags.indexOf(tag));
    }
    QCOMPARE(added.find("absent", tagOf), -1);
    QCOMPARE(added.size(), QSet<QByteArray>(tags.begin(), tags.end()).size());
}

void TestStatusReply::keptFieldsWhereverTheColumnsStand_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArray>("priority");
    QTest::newRow("default") << columns::defaultText(true) << QByteArray("Normal");
    // Status moved to the last position and hidden.
    QTest::newRow("status hidden and last")
        << QStringLiteral("<Cols><Col key='FileName' index='1' show='1'/>"
                          "<Col key='Progress' index='2' show='1'/>"
                          "<Col key='BT Status' index='4' show='0'/>"
                          "<Col key='Priority' index='3' show='1'/></Cols>")
        << QByteArray("Normal");
    QTest::newRow("version 2: no priority") << columns::defaultText(false) << QByteArray();
}

void TestStatusReply::keptFieldsWhereverTheColumnsStand()
{
    QFETCH(QString, layout);
    QFETCH(QByteArray, priority);
    Fixture f;
    QVERIFY(columns::parse(f.layout, layout));
    const auto status = [&](int position) {
        return f.model.keptField(position, TorrentListModel::KeptField::Status);
    };
    // Version 2 rows are shorter, but their third field is the status too.
    f.process(
        statusReply({v3Row("A", {{3, "WORKING"}, {4, "Normal"}}), v3Row("B", {{3, "pause"}})}));
    QCOMPARE(status(1), QByteArrayView("WORKING"));
    QCOMPARE(status(2), QByteArrayView("pause"));
    QCOMPARE(f.model.keptField(1, TorrentListModel::KeptField::Priority), QByteArrayView(priority));
    // A change in the status alone reaches the kept field, shown or not.
    f.process(statusReply({v3Row("A", {{3, "pause"}, {4, "Normal"}}), v3Row("B", {{3, "pause"}})}));
    QCOMPARE(status(1), QByteArrayView("pause"));
    QCOMPARE(f.model.keptField(1, TorrentListModel::KeptField::Priority), QByteArrayView(priority));
}

QTEST_GUILESS_MAIN(TestStatusReply)
#include "tst_statusreply.moc"
