// Column layout documents: parsing, the columns shown and the field plan.
#include "core/columns/ColumnLayout.h"
#include "core/columns/ColumnPlan.h"

#include <QRegularExpression>
#include <QTest>

using namespace tavrin;

namespace {

// "B2-=750,C3": key B at index 2 hidden and 750 wide, then C shown; "?" leaves show out and
// "y" sets it to "yes". Written as the built-in defaults are.
QString cols(const QString& items)
{
    static const QRegularExpression token("^(.+?)(\\d+)([-?y]?)(=.*)?$");
    static const QHash<QString, QString> shows = {
        {"", " show='1'"}, {"-", " show='0'"}, {"y", " show='yes'"}, {"?", ""}};
    QString text = "<Cols>";
    for (const QString& c : items.split(',')) {
        const QRegularExpressionMatch m = token.match(c);
        const QString width =
            m.captured(4).isEmpty() ? "" : " width='" + m.captured(4).mid(1) + "'";
        text += QStringLiteral("    <Col key='%1'%2 index='%3'%4/>")
                    .arg(m.captured(1), width, m.captured(2), shows.value(m.captured(3)));
    }
    return text + "</Cols>";
}

} // namespace

class TestColumns : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void documents()
    {
        // Saved without the blanks between elements, and read back the same.
        pugi::xml_document document;
        QVERIFY(columns::parse(document, columns::defaultText(false)));
        const QString saved = columns::serialize(document);
        QVERIFY(saved.startsWith(
            "<Cols><Col key=\"FileName\" width=\"3000\" index=\"1\" show=\"1\"/><"));
        QVERIFY(columns::parse(document, saved));
        QCOMPARE(columns::serialize(document), saved);
        // Text that does not parse empties the document, which saves as the empty text.
        QVERIFY(!columns::parse(document, "<Cols><Col key='A' index='1'"));
        QCOMPARE(columns::serialize(document), QString());
        // Keys are compared directly, never composed into an expression.
        columns::parse(document, "<Cols><Col key=\"x' or '1'='1\"/><Col key=\"x\"/></Cols>");
        QCOMPARE(columns::elementsWithKey(document, "x' or '1'='1").size(), 1);
        QCOMPARE(columns::fieldNumber(columns::elementsWithKey(document, "x").value(0)), 2);
        // A key made of character references that are no text is still found by what it shows as.
        for (const char* key : {"&#xD800;", "a&#x110000;"}) {
            QVERIFY(columns::parse(document, QStringLiteral("<Cols><Col key='x'/><Col key='%1' "
                                                            "index='1' show='1'/></Cols>")
                                                 .arg(QLatin1String(key))));
            const QString caption = columns::columnHeaders(document).value(0).caption;
            QCOMPARE(columns::fieldNumber(columns::elementsWithKey(document, caption).value(0)), 2);
        }
    }

    void layouts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("index order, shared") << cols("C3,A1,B2,X2") << "A B C | 2 3 1";
        QTest::newRow("gap") << cols("A1,B2,D4,E5")
                             << "A B | 1 2 No column has display position 3.";
        QTest::newRow("hidden keep fields") << cols("A1-,B2,C3?,D4y,E5,F6") << "B E F | 2 5";
        QTest::newRow("none shown") << cols("A1-,B2-") << "|";
        QTest::newRow("no show") << cols("A1?,B2")
                                 << "B | The column at display position 1 has no show attribute.";
        QTest::newRow("index 01") << cols("A01") << "| No column has display position 1.";
        QTest::newRow("other root") << "<Columns><Col key='A' index='1' show='1'/></Columns>"
                                    << "| No column has display position 1.";
        QTest::newRow("widths") << cols("A1= 1500.5 ,B2=wide,C3=,D4=-5,E5=1e300,F6=0,G7")
                                << "A=1500.5 B C D E=100000 F=0 G | 1 2 3 4 5 6";
    }

    // The shown captions (with any width but the standard one), then the plan's fields and failure.
    void layouts()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        pugi::xml_document document;
        columns::parse(document, text);
        QStringList parts;
        for (const columns::ColumnHeader& h : columns::columnHeaders(document))
            parts.append(h.widthTwips == columns::standardWidthTwips
                             ? h.caption
                             : h.caption + "=" + QString::number(h.widthTwips));
        const ColumnPlan plan = ColumnPlan::resolve(document);
        parts.append("|");
        for (int field : plan.fields())
            parts.append(QString::number(field));
        QCOMPARE((parts.join(' ') + ' ' + plan.startFailure() + plan.walkFailure()).trimmed(),
                 shown);
    }
};

QTEST_GUILESS_MAIN(TestColumns)
#include "tst_columns.moc"
