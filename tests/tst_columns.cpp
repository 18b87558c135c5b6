// Column layout documents: parsing, the columns shown and the field plan.
#include "core/columns/ColumnLayout.h"
#include "core/columns/ColumnPlan.h"

#include <QTest>

using namespace tavrin;

// Col elements from comma-separated "key:index:show:width" items; show is "1" when left out
// and absent when empty, width absent when left out.
static QString cols(const QString& items)
{
    QString text = "<Cols>";
    for (const QString& item : items.split(',')) {
        const QStringList p = item.split(':');
        const QString show = p.value(2, "1");
        text += "<Col key='" + p[0] + (p.size() > 3 ? "' width='" + p[3] : "") + "' index='" +
                p[1] + (show.isEmpty() ? "'/>" : "' show='" + show + "'/>");
    }
    return text + "</Cols>";
}

class TestColumns : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void documents()
    {
        // Saved without the blanks between elements, and read back the same.
        pugi::xml_document document;
        QVERIFY(columns::parse(document, columns::defaultText(false)));
        const QString saved = columns::serialize(document);
        QVERIFY(saved.contains("show=\"1\"/><Col key=\"Progress\" width=\"1000\""));
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
        for (const QString key : {"&#xD800;", "a&#x110000;"}) {
            QVERIFY(columns::parse(document, "<Cols><Col key='x'/>" + cols(key + ":1").mid(6)));
            const QString caption = columns::columnHeaders(document).value(0).caption;
            QCOMPARE(columns::fieldNumber(columns::elementsWithKey(document, caption).value(0)), 2);
        }
    }

    // Hand-edited text whose save must read back as the very same text.
    void savedTextReadsBackTheSame_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("saved");
        QTest::newRow("blank text from a reference")
            << "<Cols>&#32;<Col key='A' index='1' show='1'/></Cols>"
            << "<Cols><Col key=\"A\" index=\"1\" show=\"1\"/></Cols>";
        QTest::newRow("a carriage return from a reference") << "<Cols>a&#13;b<Col key='A'/></Cols>"
                                                            << "<Cols>a\nb<Col key=\"A\"/></Cols>";
        QTest::newRow("one in an attribute stays a reference")
            << "<Cols><Col key='a&#13;b'/></Cols>"
            << "<Cols><Col key=\"a&#13;b\"/></Cols>";
    }
    void savedTextReadsBackTheSame()
    {
        QFETCH(QString, text);
        QFETCH(QString, saved);
        pugi::xml_document document;
        QVERIFY(columns::parse(document, text));
        QCOMPARE(columns::serialize(document), saved);
        QVERIFY(columns::parse(document, saved));
        QCOMPARE(columns::serialize(document), saved);
    }

    // The shown captions (with any width but the standard one), then the plan's fields and failure.
    void layouts_data()
    {
        QTest::addColumn<QString>("items");
        QTest::addColumn<QString>("shown");
        QTest::newRow("display order, a shared index") << "C:3,A:1,B:2,X:2"
                                                       << "A B C | 2 3 1";
        QTest::newRow("a gap") << "A:1,B:2,D:4,E:5"
                               << "A B | 1 2 No column has display position 3.";
        QTest::newRow("hidden ones keep their fields") << "A:1:0,B:2,C:3:,D:4:yes,E:5,F:6"
                                                       << "B E F | 2 5";
        QTest::newRow("none shown") << "A:1:0,B:2:0"
                                    << "|";
        QTest::newRow("no show attribute")
            << "A:1:,B:2"
            << "B | The column at display position 1 has no show attribute.";
        QTest::newRow("widths")
            << "A:1:1: 1500.5 ,B:2:1:wide,C:3:1:,D:4:1:-5,E:5:1:1e300,F:6:1:0,G:7"
            << "A=1500.5 B C D E=100000 F=0 G | 1 2 3 4 5 6";
    }
    void layouts()
    {
        QFETCH(QString, items);
        QFETCH(QString, shown);
        pugi::xml_document document;
        columns::parse(document, cols(items));
        QStringList parts;
        for (const columns::ColumnHeader& h : columns::columnHeaders(document))
            parts << h.caption + (h.widthTwips == columns::standardWidthTwips
                                      ? QString()
                                      : "=" + QString::number(h.widthTwips));
        const ColumnPlan plan = ColumnPlan::resolve(document);
        parts << "|";
        for (int field : plan.fields())
            parts << QString::number(field);
        QCOMPARE((parts.join(' ') + ' ' + plan.startFailure() + plan.walkFailure()).trimmed(),
                 shown);
    }
};

QTEST_GUILESS_MAIN(TestColumns)
#include "tst_columns.moc"
