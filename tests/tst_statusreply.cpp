// Status replies through the processor and the list model, without widgets.
#include "columns/ColumnLayout.h"
#include "connection/FieldDisplay.h"
#include "connection/StatusReplyProcessor.h"
#include "connection/TorrentListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace tavrin;

namespace {

// A version 3 row: field f (1-based) reads "<letter>f" unless given, the identifier last.
QByteArray v3Row(const QByteArray& id, const QMap<int, QByteArray>& fields = {})
{
    QByteArray row;
    for (int f = 1; f <= 22; ++f)
        row += fields.value(f, "t" + QByteArray::number(f)) + '|';
    return row + id;
}

QByteArray reply(const QList<QByteArray>& rows)
{
    QByteArray text = "Header";
    for (const QByteArray& row : rows)
        text += '\n' + row;
    return text;
}

struct Fixture {
    explicit Fixture(bool checked = true)
    {
        columns::parse(layout, columns::defaultText(true));
        QStringList captions;
        for (const columns::ColumnHeader& header : columns::columnHeaders(layout))
            captions.append(header.caption);
        model.setColumns(captions);
        // The tester re-reads the whole model on every change: too slow for huge lists.
        if (checked)
            tester = std::make_unique<QAbstractItemModelTester>(
                &model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    StatusReplyOutcome process(const QByteArray& text, int clicked = 0,
                               RequestKind kind = RequestKind::Status)
    {
        return processor.process(text, layout, model, kind, clicked);
    }

    QList<QByteArray> tags() const
    {
        QList<QByteArray> list;
        for (int p = 1; p <= model.count(); ++p)
            list.append(model.tag(p));
        return list;
    }

    pugi::xml_document layout;
    TorrentListModel model;
    std::unique_ptr<QAbstractItemModelTester> tester;
    StatusReplyProcessor processor;
};

} // namespace

class TestStatusReply : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void displayedValue_data();
    void displayedValue();
    void fillsAVersion3Row();
    void logsTheReplyAndEachRow();
    void refreshChangesOnlyChangedCells();
    void vanishedTorrentsAreRemovedInBatches();
    void repliesWithoutRows_data();
    void repliesWithoutRows();
    void rowLinesAndIdentifiers();
    void failingRowLeavesTheListAsItWas_data();
    void failingRowLeavesTheListAsItWas();
    void layoutWithoutShownPositionEndsQuietly();
    void otherRequestKindsOnlyLog();
    void reselection();
    void nonAsciiBytesComeBackUnchanged();
    void positionsBeyondSixteenBits();
    void aChangedPlanIsNotServedFromOldTexts();
};

void TestStatusReply::displayedValue_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("shown");
    QTest::newRow("thousandths") << QByteArray("1750") << "1.75Kb/s";
    QTest::newRow("below one") << QByteArray("250") << ".25Kb/s";
    QTest::newRow("zero") << QByteArray("0") << ".00Kb/s";
    QTest::newRow("word") << QByteArray("Normal") << "Normal";
    QTest::newRow("unit after number") << QByteArray("12 MB") << "12 MB";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("blanks") << QByteArray(" \t1750 ") << "1.75Kb/s";
    QTest::newRow("plus sign") << QByteArray("+1750") << "1.75Kb/s";
    QTest::newRow("negative") << QByteArray("-250") << "-.25Kb/s";
    QTest::newRow("tiny negative") << QByteArray("-4") << ".00Kb/s";
    QTest::newRow("exponent") << QByteArray("1.75e3") << "1.75Kb/s";
    QTest::newRow("half to even down") << QByteArray("2500.5") << "2.50Kb/s";
    QTest::newRow("half to even up") << QByteArray("1004.5") << "1.00Kb/s";
    QTest::newRow("pattern rounds half up") << QByteArray("1005") << "1.01Kb/s";
    QTest::newRow("beyond 32 bits") << QByteArray("5000000000") << "5000000.00Kb/s";
    QTest::newRow("largest 64-bit")
        << QByteArray("9223372036854775807") << "9223372036854775.81Kb/s";
    QTest::newRow("smallest 64-bit")
        << QByteArray("-9223372036854775808") << "-9223372036854775.81Kb/s";
    QTest::newRow("beyond 64 bits") << QByteArray("12345678901234567890") << "12345678901234567890";
    QTest::newRow("1e400") << QByteArray("1e400") << "1e400";
    QTest::newRow("1e-400") << QByteArray("1e-400") << ".00Kb/s";
    QTest::newRow("NaN") << QByteArray("NaN") << "NaN";
    QTest::newRow("thousands separator") << QByteArray("1,000") << "1,000";
    QTest::newRow("blank inside") << QByteArray("1 000") << "1 000";
    QTest::newRow("sign alone") << QByteArray("-") << "-";
    QTest::newRow("latin-1") << QByteArray("\xe9t\xe9") << QString::fromLatin1("\xe9t\xe9");
}

void TestStatusReply::displayedValue()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, shown);
    QCOMPARE(display::displayedValue(field), shown);
}

void TestStatusReply::fillsAVersion3Row()
{
    Fixture f;
    const StatusReplyOutcome outcome =
        f.process(reply({v3Row("X", {{2, "1750"}, {22, "Seeding option"}})}));
    QVERIFY(outcome.error.isEmpty());
    QCOMPARE(f.model.count(), 1);
    QCOMPARE(f.model.tag(1), QByteArray("X"));
    QCOMPARE(f.model.text(1, 0), QStringLiteral("t1"));
    QCOMPARE(f.model.subItemCount(1), 20);
    QCOMPARE(f.model.text(1, 1), QStringLiteral("1.75Kb/s"));
    for (int k = 2; k <= 20; ++k)
        QCOMPARE(f.model.text(1, k), QStringLiteral("t%1").arg(k + 1));
    QCOMPARE(f.model.findByTag("X"), 1);
    QCOMPARE(f.model.findByTag("Y"), 0);
    QCOMPARE(f.model.data(f.model.index(0, 1)).toString(), QStringLiteral("1.75Kb/s"));
}

void TestStatusReply::logsTheReplyAndEachRow()
{
    Fixture f;
    const QByteArray text = reply({v3Row("A"), "", v3Row("B") + "|extra"});
    const StatusReplyOutcome outcome = f.process(text + "\n");
    QCOMPARE(outcome.logLines,
             QList<QByteArray>({"Got Message: " + text + "\n", "Row: " + v3Row("A"),
                                "Row contains cols: 22", "Row: " + v3Row("B") + "|extra",
                                "Row contains cols: 23"}));
    // More fields than the layout needs are fine; the identifier is the last one.
    QCOMPARE(f.tags(), QList<QByteArray>({"A", "extra"}));

    StatusReplyProcessor quiet(false);
    QVERIFY(quiet.process(text, f.layout, f.model, RequestKind::Status, 0).logLines.isEmpty());
}

void TestStatusReply::refreshChangesOnlyChangedCells()
{
    Fixture f;
    f.process(reply({v3Row("A"), v3Row("B", {{5, "750"}})}));
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);

    f.process(reply({v3Row("A"), v3Row("B", {{5, "750"}})}));
    QCOMPARE(changed.size(), 0);

    // The same number written differently shows the same text: nothing to redraw.
    f.process(reply({v3Row("A"), v3Row("B", {{5, "750.0"}})}));
    QCOMPARE(changed.size(), 0);

    f.process(reply({v3Row("A", {{1, "renamed"}, {7, "2000"}}), v3Row("B", {{5, "750.0"}})}));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), f.model.index(0, 6));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), f.model.index(0, 6));
    QCOMPARE(f.model.text(1, 6), QStringLiteral("2.00Kb/s"));
    // The main text is written once, when the item is created.
    QCOMPARE(f.model.text(1, 0), QStringLiteral("t1"));

    // Adjacent changed cells are reported together.
    changed.clear();
    f.process(reply(
        {v3Row("A", {{7, "2000"}, {8, "x"}, {9, "y"}, {12, "z"}}), v3Row("B", {{5, "750.0"}})}));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(0).at(0).toModelIndex().column(), 7);
    QCOMPARE(changed.at(0).at(1).toModelIndex().column(), 8);
    QCOMPARE(changed.at(1).at(0).toModelIndex().column(), 11);
}

void TestStatusReply::vanishedTorrentsAreRemovedInBatches()
{
    Fixture f;
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    f.process(reply({v3Row("A"), v3Row("B"), v3Row("C"), v3Row("D"), v3Row("E")}));
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted.at(0).at(2).toInt(), 4);
    QSignalSpy removed(&f.model, &QAbstractItemModel::rowsRemoved);
    f.process(reply({v3Row("E"), v3Row("A"), v3Row("F")}));
    QCOMPARE(f.tags(), QList<QByteArray>({"A", "E", "F"}));
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.at(0).at(1).toInt(), 1);
    QCOMPARE(removed.at(0).at(2).toInt(), 3);
    QCOMPARE(f.model.findByTag("E"), 2);
    QCOMPARE(f.model.findByTag("F"), 3);
    QCOMPARE(f.model.findByTag("C"), 0);

    removed.clear();
    f.process(reply({v3Row("E")}));
    QCOMPARE(f.tags(), QList<QByteArray>({"E"}));
    QCOMPARE(removed.size(), 2);
}

void TestStatusReply::repliesWithoutRows_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("one line") << QByteArray("Header only");
    QTest::newRow("only empty lines") << QByteArray("Header\n\n\n");
    QTest::newRow("empty") << QByteArray();
}

void TestStatusReply::repliesWithoutRows()
{
    QFETCH(QByteArray, text);
    Fixture f;
    f.process(reply({v3Row("A"), v3Row("B")}));
    const StatusReplyOutcome outcome = f.process(text, 1);
    QVERIFY(outcome.error.isEmpty());
    QCOMPARE(f.model.count(), 0);
    QCOMPARE(outcome.selectPosition, 0);
    QCOMPARE(outcome.logLines, QList<QByteArray>({"Got Message: " + text}));
}

void TestStatusReply::rowLinesAndIdentifiers()
{
    Fixture f;
    // CR LF line ends: the CR stays in the identifier.
    f.process("Header\r\n\n" + v3Row("A") + "\r\n" + v3Row("B") + "\n\n");
    QCOMPARE(f.tags(), QList<QByteArray>({"A\r", "B"}));
    QCOMPARE(f.model.text(1, 19), QStringLiteral("t20"));

    // A duplicate identifier updates the first row's item.
    Fixture d;
    d.process(reply({v3Row("A", {{3, "first"}}), v3Row("A", {{3, "second"}})}));
    QCOMPARE(d.model.count(), 1);
    QCOMPARE(d.model.text(1, 2), QStringLiteral("second"));

    // The identifier may be empty.
    Fixture e;
    e.process(reply({v3Row(""), v3Row("B")}));
    QCOMPARE(e.tags(), QList<QByteArray>({"", "B"}));
    QCOMPARE(e.model.findByTag(""), 1);
}

void TestStatusReply::failingRowLeavesTheListAsItWas_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QString>("error");
    QTest::newRow("too few fields")
        << columns::defaultText(true) << QByteArray("a|b|c|NEW")
        << "Error - The row has 4 fields; column \"ETA\" shows field 5.";
    QTest::newRow("layout does not parse")
        << "<Cols" << v3Row("NEW") << "Error - No column has display position 1.";
    QTest::newRow("show missing")
        << "<Cols><Col key='A' index='1'/><Col key='B' index='2' show='1'/></Cols>" << v3Row("NEW")
        << "Error - The column at display position 1 has no show attribute.";
    QTest::newRow("gap in the walk")
        << "<Cols><Col key='A' index='1' show='1'/><Col key='B' index='2' show='1'/>"
           "<Col key='D' index='4' show='1'/><Col key='E' index='5' show='1'/></Cols>"
        << v3Row("NEW") << "Error - No column has display position 3.";
}

void TestStatusReply::failingRowLeavesTheListAsItWas()
{
    QFETCH(QString, layout);
    QFETCH(QByteArray, row);
    QFETCH(QString, error);
    Fixture f;
    f.process(reply({v3Row("A"), v3Row("B", {{4, "Low"}})}));
    columns::parse(f.layout, layout);

    // B's new values come before the failing row but its check fails the same way when the layout
    // fails, so only the too-few-fields case shows a row applied before the failure.
    const StatusReplyOutcome outcome =
        f.process(reply({v3Row("B", {{4, "High"}}), row, v3Row("C")}), 1);
    QCOMPARE(outcome.error, error);
    QCOMPARE(outcome.logLines.last(), error.toLatin1());
    QCOMPARE(outcome.selectPosition, 0);
    // No half-made item, no removal pass: A stays although the reply does not name it.
    QCOMPARE(f.tags(), QList<QByteArray>({"A", "B"}));
    if (QTest::currentDataTag() == QLatin1String("too few fields"))
        QCOMPARE(f.model.text(2, 3), QStringLiteral("High"));
    else
        QCOMPARE(f.model.text(2, 3), QStringLiteral("Low"));
}

void TestStatusReply::layoutWithoutShownPositionEndsQuietly()
{
    Fixture f;
    f.process(reply({v3Row("A"), v3Row("B")}));
    columns::parse(f.layout, QStringLiteral("<Cols><Col key='A' index='1' show='0'/>"
                                            "<Col key='B' index='2' show='0'/></Cols>"));
    const StatusReplyOutcome outcome = f.process(reply({"", v3Row("C"), v3Row("D")}), 1);
    QVERIFY(outcome.error.isEmpty());
    QCOMPARE(outcome.selectPosition, 0);
    QCOMPARE(f.tags(), QList<QByteArray>({"A", "B"}));
    // The first row is logged, then processing ends.
    QCOMPARE(outcome.logLines.size(), 3);
}

void TestStatusReply::otherRequestKindsOnlyLog()
{
    Fixture f;
    f.process(reply({v3Row("A")}));
    const QByteArray text = reply({v3Row("B")});
    const StatusReplyOutcome outcome = f.process(text, 1, RequestKind::Single);
    QCOMPARE(outcome.logLines, QList<QByteArray>({"Got Message: " + text}));
    QCOMPARE(outcome.selectPosition, 0);
    QCOMPARE(f.tags(), QList<QByteArray>({"A"}));
}

void TestStatusReply::reselection()
{
    Fixture f;
    QCOMPARE(f.process(reply({v3Row("A"), v3Row("B")}), 3).selectPosition, 0);
    QCOMPARE(f.process(reply({v3Row("A"), v3Row("B"), v3Row("C")}), 3).selectPosition, 3);
    QCOMPARE(f.process(reply({v3Row("A"), v3Row("B"), v3Row("C")}), 0).selectPosition, 0);
}

void TestStatusReply::nonAsciiBytesComeBackUnchanged()
{
    Fixture f;
    const QByteArray id("\xe9\xff\x80 id");
    const QByteArray row = v3Row(id, {{1, "caf\xe9.iso"}});
    const StatusReplyOutcome outcome = f.process(reply({row}));
    QCOMPARE(f.model.tag(1), id);
    QCOMPARE(f.model.text(1, 0), QString::fromLatin1("caf\xe9.iso"));
    QCOMPARE(f.model.findByTag(id), 1);
    QCOMPARE(outcome.logLines.at(1), "Row: " + row);
}

void TestStatusReply::positionsBeyondSixteenBits()
{
    Fixture f(false);
    QList<QByteArray> rows;
    for (int i = 1; i <= 33000; ++i)
        rows.append("n|" + QByteArray::number(i) + "|s|p|e|T" + QByteArray::number(i));
    StatusReplyProcessor quiet(false);
    QVERIFY(quiet.process(reply(rows), f.layout, f.model, RequestKind::Status, 32800)
                .error.startsWith("Error - The row has 6 fields"));
    // A short layout fits these rows.
    columns::parse(f.layout, QStringLiteral("<Cols><Col key='Name' index='1' show='1'/>"
                                            "<Col key='Size' index='2' show='1'/>"
                                            "<Col key='X' index='3' show='1'/></Cols>"));
    const StatusReplyOutcome outcome =
        quiet.process(reply(rows), f.layout, f.model, RequestKind::Status, 32800);
    QVERIFY(outcome.error.isEmpty());
    QCOMPARE(f.model.count(), 33000);
    QCOMPARE(outcome.selectPosition, 32800);
    QCOMPARE(f.model.tag(32800), QByteArray("T32800"));
    QCOMPARE(f.model.findByTag("T33000"), 33000);
    QCOMPARE(f.model.text(33000, 1), QStringLiteral("33.00Kb/s"));
}

void TestStatusReply::aChangedPlanIsNotServedFromOldTexts()
{
    Fixture f;
    const QByteArray text = reply({v3Row("A", {{2, "2000"}, {3, "3000"}})});
    f.process(text);
    QCOMPARE(f.model.text(1, 1), QStringLiteral("2.00Kb/s"));
    // Field 2 hidden: sub-item 1 now shows field 3 of the very same row text.
    pugi::xml_document hidden;
    columns::parse(hidden, columns::defaultText(true));
    columns::elementsWithKey(hidden, QStringLiteral("Progress"))
        .first()
        .attribute("show")
        .set_value("0");
    f.processor.process(text, hidden, f.model, RequestKind::Status, 0);
    QCOMPARE(f.model.text(1, 1), QStringLiteral("3.00Kb/s"));
    // A cell set from outside is not mistaken for the row's own text either.
    f.model.setSubItemText(1, 2, QStringLiteral("typed"));
    f.processor.process(text, hidden, f.model, RequestKind::Status, 0);
    QCOMPARE(f.model.text(1, 2), QStringLiteral("t4"));
}

QTEST_GUILESS_MAIN(TestStatusReply)
#include "tst_statusreply.moc"
