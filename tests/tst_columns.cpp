// The column layout documents: built-in defaults, parsing, positions, field numbers, headers.
#include "columns/ColumnLayout.h"
#include "columns/ColumnPlan.h"

#include <QTest>

using namespace tavrin;

namespace {

pugi::xml_document parsed(const QString& text)
{
    pugi::xml_document document;
    columns::parse(document, text);
    return document;
}

QStringList captions(const pugi::xml_document& document)
{
    QStringList list;
    for (const columns::ColumnHeader& header : columns::columnHeaders(document))
        list.append(header.caption);
    return list;
}

QString col(const char* key, int index, const char* show = "1")
{
    return QStringLiteral("<Col key='%1' index='%2' show='%3'/>")
        .arg(QLatin1String(key))
        .arg(index)
        .arg(QLatin1String(show));
}

} // namespace

class TestColumns : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultsAreTheExactTexts();
    void parsingDropsWhitespaceOnlyText();
    void serialisingRoundTrips();
    void textThatDoesNotParseLeavesTheDocumentEmpty();
    void anotherRootElementHasNoPositions();
    void defaultHeaders();
    void positionsAndFieldNumbers();
    void gapsAndSharedIndexes();
    void hiddenColumnsKeepTheOthersFieldNumbers();
    void widths_data();
    void widths();
    void keysAreComparedDirectly();
    void planOfTheDefaults();
    void planFailures();
};

void TestColumns::defaultsAreTheExactTexts()
{
    const QString v3 = QStringLiteral("<Cols>"
                                      "    <Col key='FileName' width='3000' index='1' show='1'/>"
                                      "    <Col key='Progress' width='1000' index='2' show='1'/>"
                                      "    <Col key='BT Status' width='1750' index='3' show='1'/>"
                                      "    <Col key='Priority' width='1750' index='4' show='1'/>"
                                      "    <Col key='ETA' width='750' index='5' show='1'/>"
                                      "    <Col key='Size' index='6' show='1'/>"
                                      "    <Col key='DL Speed' index='7' show='1'/>"
                                      "    <Col key='UL Speed' index='8' show='1'/>"
                                      "    <Col key='%UL/DL' index='9' show='1'/>"
                                      "    <Col key='Message' index='10' show='1'/>"
                                      "    <Col key='Seeds' index='11' show='1'/>"
                                      "    <Col key='Peers' index='12' show='1'/>"
                                      "    <Col key='Copies' index='13' show='1'/>"
                                      "    <Col key='Peer Avg Progress' index='14' show='1'/>"
                                      "    <Col key='DL Size' index='15' show='1'/>"
                                      "    <Col key='UL Size' index='16' show='1'/>"
                                      "    <Col key='Total Speed' index='17' show='1'/>"
                                      "    <Col key='Torrent Name' index='18' show='1'/>"
                                      "    <Col key='Destination' index='19' show='1'/>"
                                      "    <Col key='Seeding Time' index='20' show='1'/>"
                                      "    <Col key='Connections' index='21' show='1'/>"
                                      "    <Col key='Seeding Option' index='21' show='1'/>"
                                      "</Cols>");
    const QString v2 = QStringLiteral("<Cols>"
                                      "    <Col key='FileName' width='3000' index='1' show='1'/>"
                                      "    <Col key='Progress' width='1000' index='2' show='1'/>"
                                      "    <Col key='BT Status' width='1750' index='3' show='1'/>"
                                      "    <Col key='ETA' width='750' index='4' show='1'/>"
                                      "    <Col key='DL Speed' index='5' show='1'/>"
                                      "    <Col key='DL Speed' index='5' show='1'/>"
                                      "    <Col key='UL Speed' index='6' show='1'/>"
                                      "    <Col key='%UL/DL' index='7' show='1'/>"
                                      "    <Col key='#Peers' index='8' show='1'/>"
                                      "    <Col key='#Seeds' index='9' show='1'/>"
                                      "    <Col key='#Copies' index='10' show='1'/>"
                                      "    <Col key='DL Size' index='11' show='1'/>"
                                      "    <Col key='UL Size' index='12' show='1'/>"
                                      "    <Col key='Peer Avg Progress' index='13' show='1'/>"
                                      "    <Col key='Total Speed' index='14' show='1'/>"
                                      "</Cols>");
    QCOMPARE(columns::defaultText(true), v3);
    QCOMPARE(columns::defaultText(false), v2);
}

void TestColumns::parsingDropsWhitespaceOnlyText()
{
    pugi::xml_document document;
    QVERIFY(columns::parse(
        document, QStringLiteral("<Cols>\n  %1\n\t%2  </Cols>").arg(col("A", 1), col("B", 2))));
    int children = 0;
    for (pugi::xml_node n = document.document_element().first_child(); n; n = n.next_sibling())
        ++children;
    QCOMPARE(children, 2);
    QCOMPARE(columns::fieldNumber(columns::elementAt(document, 2)), 2);
    QCOMPARE(columns::nodePosition(columns::elementAt(document, 2)), 2);
    // The defaults' four spaces between elements are dropped the same way.
    const pugi::xml_document v3 = parsed(columns::defaultText(true));
    QCOMPARE(columns::elementCount(v3), 22);
    QCOMPARE(columns::nodePosition(
                 columns::elementsWithKey(v3, QStringLiteral("Seeding Option")).first()),
             22);
}

void TestColumns::serialisingRoundTrips()
{
    const pugi::xml_document first = parsed(columns::defaultText(false));
    const QString text = columns::serialize(first);
    QVERIFY(!text.isEmpty());
    const pugi::xml_document second = parsed(text);
    QCOMPARE(columns::serialize(second), text);
    QCOMPARE(captions(second), captions(first));
    QCOMPARE(columns::serialize(pugi::xml_document()), QString());
}

void TestColumns::textThatDoesNotParseLeavesTheDocumentEmpty()
{
    pugi::xml_document document;
    QVERIFY(columns::parse(document, columns::defaultText(true)));
    QVERIFY(!columns::parse(document, QStringLiteral("<Cols><Col key='A' index='1'")));
    QVERIFY(!document.first_child());
    QCOMPARE(columns::serialize(document), QString());
    QVERIFY(columns::columnHeaders(document).isEmpty());
    QCOMPARE(columns::elementCount(document), 0);
    QVERIFY(!columns::parse(document, QString()));
    QVERIFY(!document.first_child());
}

void TestColumns::anotherRootElementHasNoPositions()
{
    const QString text = QStringLiteral("<Columns>%1</Columns>").arg(col("A", 1));
    const pugi::xml_document document = parsed(text);
    QVERIFY(document.first_child());
    QVERIFY(!columns::elementAt(document, 1));
    QVERIFY(columns::columnHeaders(document).isEmpty());
    QCOMPARE(ColumnPlan::resolve(document).start(), ColumnPlan::Start::Fails);
    // Saved back unchanged.
    QCOMPARE(parsed(columns::serialize(document)).document_element().name(),
             std::string("Columns"));
}

void TestColumns::defaultHeaders()
{
    const QList<columns::ColumnHeader> v3 =
        columns::columnHeaders(parsed(columns::defaultText(true)));
    QCOMPARE(v3.size(), 21);
    QCOMPARE(captions(parsed(columns::defaultText(true))).mid(0, 6),
             QStringList({"FileName", "Progress", "BT Status", "Priority", "ETA", "Size"}));
    QCOMPARE(v3.last().caption, QStringLiteral("Connections"));
    const QList<double> widths = {3000, 1000, 1750, 1750, 750};
    for (int i = 0; i < v3.size(); ++i)
        QCOMPARE(v3.at(i).widthTwips, i < 5 ? widths.at(i) : columns::standardWidthTwips);

    QCOMPARE(captions(parsed(columns::defaultText(false))),
             QStringList({"FileName", "Progress", "BT Status", "ETA", "DL Speed", "UL Speed",
                          "%UL/DL", "#Peers", "#Seeds", "#Copies", "DL Size", "UL Size",
                          "Peer Avg Progress", "Total Speed"}));
}

void TestColumns::positionsAndFieldNumbers()
{
    // Display order is the index; field numbers follow document order.
    const pugi::xml_document document =
        parsed(QStringLiteral("<Cols>%1%2%3</Cols>").arg(col("C", 3), col("A", 1), col("B", 2)));
    QCOMPARE(captions(document), QStringList({"A", "B", "C"}));
    QCOMPARE(columns::fieldNumber(columns::elementAt(document, 1)), 2);
    QCOMPARE(columns::fieldNumber(columns::elementAt(document, 3)), 1);
    QVERIFY(!columns::elementAt(document, 0));
    QVERIFY(!columns::elementAt(document, 4));
    // "01" is not the decimal text of 1.
    QVERIFY(!columns::elementAt(parsed(QStringLiteral("<Cols><Col key='A' index='01' "
                                                      "show='1'/></Cols>")),
                                1));
}

void TestColumns::gapsAndSharedIndexes()
{
    const pugi::xml_document gap =
        parsed(QStringLiteral("<Cols>%1%2%3</Cols>").arg(col("A", 1), col("B", 2), col("D", 4)));
    QCOMPARE(captions(gap), QStringList({"A", "B"}));

    const pugi::xml_document shared = parsed(
        QStringLiteral("<Cols>%1%2%3</Cols>").arg(col("A", 1), col("First", 2), col("Second", 2)));
    QCOMPARE(captions(shared), QStringList({"A", "First"}));
    QCOMPARE(columns::fieldNumber(columns::elementAt(shared, 2)), 2);
}

void TestColumns::hiddenColumnsKeepTheOthersFieldNumbers()
{
    const pugi::xml_document document =
        parsed(QStringLiteral("<Cols>%1%2<Col key='C' index='3'/>%3%4</Cols>")
                   .arg(col("A", 1), col("B", 2, "0"), col("D", 4, "yes"), col("E", 5)));
    QCOMPARE(captions(document), QStringList({"A", "E"}));
    QCOMPARE(columns::fieldNumber(columns::elementAt(document, 5)), 5);
    QVERIFY(!columns::isShown(columns::elementAt(document, 3)));
}

void TestColumns::widths_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<double>("twips");
    QTest::newRow("number") << "2000" << 2000.0;
    QTest::newRow("blanks and fraction") << " 1500.5 " << 1500.5;
    QTest::newRow("not a number") << "wide" << columns::standardWidthTwips;
    QTest::newRow("empty") << "" << columns::standardWidthTwips;
    QTest::newRow("negative") << "-5" << columns::standardWidthTwips;
    QTest::newRow("huge") << "1e300" << 100000.0;
    QTest::newRow("zero") << "0" << 0.0;
}

void TestColumns::widths()
{
    QFETCH(QString, width);
    QFETCH(double, twips);
    const pugi::xml_document document = parsed(
        QStringLiteral("<Cols><Col key='A' width='%1' index='1' show='1'/></Cols>").arg(width));
    QCOMPARE(columns::columnHeaders(document).value(0).widthTwips, twips);
}

void TestColumns::keysAreComparedDirectly()
{
    const pugi::xml_document document =
        parsed(QStringLiteral("<Cols><Col key=\"It's\" index='1' show='1'/>"
                              "<Col key=\"x' or '1'='1\" index='2' show='1'/></Cols>"));
    QCOMPARE(columns::elementsWithKey(document, QStringLiteral("It's")).size(), 1);
    QCOMPARE(columns::elementsWithKey(document, QStringLiteral("x' or '1'='1")).size(), 1);
    QCOMPARE(columns::elementsWithKey(document, QStringLiteral("x")).size(), 0);
    QCOMPARE(captions(document), QStringList({"It's", "x' or '1'='1"}));
}

void TestColumns::planOfTheDefaults()
{
    const ColumnPlan v3 = ColumnPlan::resolve(parsed(columns::defaultText(true)));
    QCOMPARE(v3.start(), ColumnPlan::Start::Shown);
    QList<int> fields;
    for (int f = 1; f <= 21; ++f)
        fields.append(f);
    QCOMPARE(v3.fields(), fields);
    QVERIFY(v3.walkFailure().isEmpty());

    // The second "DL Speed" (field 6) shares index 5 and is never shown.
    const ColumnPlan v2 = ColumnPlan::resolve(parsed(columns::defaultText(false)));
    QCOMPARE(v2.fields(), QList<int>({1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15}));

    // With Connections hidden the last sub-item is Seeding Time.
    pugi::xml_document hidden = parsed(columns::defaultText(true));
    columns::elementsWithKey(hidden, QStringLiteral("Connections"))
        .first()
        .attribute("show")
        .set_value("0");
    QCOMPARE(ColumnPlan::resolve(hidden).fields().last(), 20);
    QCOMPARE(captions(hidden).last(), QStringLiteral("Seeding Time"));
}

void TestColumns::planFailures()
{
    // The first shown position is searched past hidden ones.
    const ColumnPlan later = ColumnPlan::resolve(parsed(
        QStringLiteral("<Cols>%1%2%3</Cols>").arg(col("A", 1, "0"), col("B", 2), col("C", 3))));
    QCOMPARE(later.fields(), QList<int>({2}));

    QCOMPARE(
        ColumnPlan::resolve(
            parsed(QStringLiteral("<Cols>%1%2</Cols>").arg(col("A", 1, "0"), col("B", 2, "0"))))
            .start(),
        ColumnPlan::Start::NoneShown);

    const ColumnPlan noShow = ColumnPlan::resolve(
        parsed(QStringLiteral("<Cols><Col key='A' index='1'/>%1</Cols>").arg(col("B", 2))));
    QCOMPARE(noShow.start(), ColumnPlan::Start::Fails);
    QVERIFY(noShow.startFailure().contains(QLatin1String("show")));

    QCOMPARE(ColumnPlan::resolve(pugi::xml_document()).start(), ColumnPlan::Start::Fails);

    // The walk over sub-item positions meets the gap at 3.
    const ColumnPlan gap =
        ColumnPlan::resolve(parsed(QStringLiteral("<Cols>%1%2%3%4</Cols>")
                                       .arg(col("A", 1), col("B", 2), col("D", 4), col("E", 5))));
    QCOMPARE(gap.start(), ColumnPlan::Start::Shown);
    QCOMPARE(gap.walkFailure(), QStringLiteral("No column has display position 3."));

    // The walk stops one below the element count, so the last of unique positions is not used.
    const ColumnPlan unique = ColumnPlan::resolve(
        parsed(QStringLiteral("<Cols>%1%2%3</Cols>").arg(col("A", 1), col("B", 2), col("C", 3))));
    QCOMPARE(unique.fields(), QList<int>({1, 2}));
    QVERIFY(unique.walkFailure().isEmpty());
}

QTEST_GUILESS_MAIN(TestColumns)
#include "tst_columns.moc"
