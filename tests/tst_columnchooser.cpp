// The column chooser and Change Columns, driven through the real window.
#include "core/columns/ColumnLayout.h"
#include "core/settings/SettingsKeys.h"
#include "gui/ColumnChooserDialog.h"
#include "gui/MainWindow.h"
#include "gui/Twips.h"
#include "support/Find.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <QtWidgets>

using namespace tavrin;

namespace {

// The built-in layouts' rows.
const QString v3 = "FileName;Progress;BT Status;Priority;ETA;Size;DL Speed;UL Speed;%UL/DL;Message;"
                   "Seeds;Peers;Copies;Peer Avg Progress;DL Size;UL Size;Total Speed;Torrent Name;"
                   "Destination;Seeding Time;Connections";
const QString v2 = "FileName;Progress;BT Status;ETA;DL Speed;UL Speed;%UL/DL;#Peers;#Seeds;#Copies;"
                   "DL Size;UL Size;Peer Avg Progress;Total Speed";

int px(double twips)
{
    return TwipsScale(QGuiApplication::primaryScreen()->logicalDotsPerInch()).toPixels(twips);
}

QTreeWidget* columnList(const ColumnChooserDialog& d)
{
    return d.findChild<QTreeWidget*>("columnList");
}

// The dialog's buttons in the given order of object names.
template <typename T> QList<T*> buttons(const ColumnChooserDialog& d, const QStringList& names)
{
    QList<T*> list;
    for (const QString& name : names)
        list.append(d.findChild<T*>(name));
    return list;
}

// A layout written "key:index:show:width;..." (fields from the right may be left out), as the
// program writes it; XML is taken as it is.
QString xml(const QString& cols)
{
    const char* const fields[] = {"key", "index", "show", "width"};
    QString text = "<Cols>";
    for (const QString& col : cols.split(';')) {
        text += "<Col";
        for (qsizetype i = 0; i < col.split(':').size(); ++i)
            text += QString(" %1=\"%2\"").arg(fields[i], col.split(':')[i]);
        text += "/>";
    }
    pugi::xml_document doc;
    return !cols.isEmpty() && columns::parse(doc, cols.startsWith('<') ? cols : text + "</Cols>")
               ? columns::serialize(doc)
               : cols;
}

// The list's rows, an unticked one marked "-".
QString rows(const ColumnChooserDialog& d)
{
    QStringList texts;
    for (const QTreeWidgetItem* item : columnList(d)->findItems({}, Qt::MatchContains))
        texts.append((item->checkState(0) == Qt::Checked ? "" : "-") + item->text(0));
    return texts.join(';');
}

QStringList captions(const MainWindow& window)
{
    const QAbstractItemModel* model = test::accessible<QTreeView>(window, "Torrents")->model();
    QStringList list;
    for (int i = 0; i < model->columnCount(); ++i)
        list.append(model->headerData(i, Qt::Horizontal).toString());
    return list;
}

// Steps as the user takes them: a number clicks that row (1-based), t u d b press the move
// buttons, r Reset, c Cancel; x presses Space (tick), s Enter (Save, the default button), e Esc;
// the dialog is then closed by its window frame.
void run(ColumnChooserDialog& d, const QString& steps)
{
    const QList<QAbstractButton*> pressed =
        buttons<QAbstractButton>(d, {"moveTopButton", "moveUpButton", "moveDownButton",
                                     "moveBottomButton", "resetButton", "cancelButton"});
    const QList<Qt::Key> keys = {Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape};
    QTreeWidget* list = columnList(d);
    for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
        if (QTreeWidgetItem* item = list->topLevelItem(step.toInt() - 1)) {
            list->scrollToItem(item);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(item).center());
        } else if (const qsizetype i = QString("tudbrc").indexOf(step); i >= 0) {
            QTest::mouseClick(pressed[i], Qt::LeftButton);
        } else {
            QTest::keyClick(list, keys[QString("xse").indexOf(step)]);
        }
    }
}

// Change Columns: `check` sees the dialog as it opens, then `steps` are taken. The dialog is
// closed afterwards whatever happens, so a failing step cannot hang the test.
bool chooseColumns(MainWindow& window, const QString& steps,
                   const std::function<void(ColumnChooserDialog&)>& check = {})
{
    bool driven = false;
    QTimer::singleShot(0, [&] {
        if (auto* d = qobject_cast<ColumnChooserDialog*>(QApplication::activeModalWidget())) {
            driven = true;
            check ? check(*d) : void();
            run(*d, steps);
            d->close();
        }
    });
    test::action(window, "Change Columns")->trigger();
    return driven;
}

} // namespace

class tst_ColumnChooser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void changeColumns_data()
    {
        QTest::addColumn<QString>("preset"); // the stored layout before; none: the built-in one
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("listed"); // the dialog's rows as it opens
        QTest::addColumn<QString>("after");  // the stored layout after; none: as before
        QTest::addColumn<int>("shown");      // the columns shown after
        const auto row = [](const char* name, const auto&... v) {
            (QTest::newRow(name) << ... << v);
        };
        const QString abc = "A:1:1;B:2:1;C:3:1";
        row("built-in, Cancel", QString(), "5 t c", v3, QString(), 21);
        row("built-in, Esc", QString(), "5 t e", v3, QString(), 21);
        row("built-in, frame stores", QString(), "", v3, columns::defaultText(true), 21);
        row("version 2, one DL Speed", columns::defaultText(false), "c", v2, QString(), 14);
        row("hidden ones unticked in place", "A:2:1;B:1:0;C:3", "c", "-B;A;-C", QString(), 1);
        row("nothing after a gap", "A:1:1;B:2:1;C:4:1", "c", "A;B", QString(), 2);
        // Moves carry the tick along; the moved row stays selected.
        row("up twice", abc, "3 u u s", "A;B;C", "A:2:1;B:3:1;C:1:1", 3);
        row("bottom", abc, "1 x b s", "A;B;C", "A:3:0;B:1:1;C:2:1", 2);
        row("nothing selected, up on the first, down on the last", abc, "t u d b 1 u 3 d s",
            "A;B;C", abc, 3);
        // Save writes in place: document order, widths and elements not listed stay.
        row("Save", "A:1:1:3000;B:2:1;C:3;D:9", "3 x t 2 x s", "A;B;-C",
            "A:2:0:3000;B:3:1;C:1:1;D:9", 2);
        row("Save, one key twice", "A:1:1;B:2:1;A:1", "2 t 2 x s", "A;B", "A:2:0;B:1:1;A:2:0", 1);
        row("Reset, Save", "ETA:1:1;FileName:2:0:5000;Seeding Option:3", "r s",
            "ETA;-FileName;-Seeding Option", "ETA:5:1;FileName:1:1:5000;Seeding Option:3", 1);
        // Closed by the frame: the layout is stored, unchanged by the moves and Reset.
        row("moves, Reset, frame", "A:2:1;B:1:0", "2 t r", "-B;A", QString(), 1);
        // The empty layout stored means the built-in one.
        row("unparsable, Save", "<Cols><Col key='A'", "s", "", "", 21);
    }

    void changeColumns()
    {
        QFETCH(QString, preset);
        QFETCH(QString, steps);
        QFETCH(QString, listed);
        QFETCH(QString, after);
        QFETCH(int, shown);
        test::TestEnvironment env;
        if (!preset.isNull())
            env.settings->write(keys::version3Cols, xml(preset));
        const QString before = env.settings->read(keys::version3Cols, "absent");
        MainWindow window(*env.settings, env.prompter, env.clock);
        QVERIFY(chooseColumns(window, steps,
                              [&](ColumnChooserDialog& d) { QCOMPARE(rows(d), listed); }));
        QCOMPARE(env.settings->read(keys::version3Cols, "absent"),
                 after.isNull() ? before : xml(after));
        QCOMPARE(captions(window).size(), shown);
        // The columns shown are those a restart shows.
        QCOMPARE(captions(window), captions(MainWindow(*env.settings, env.prompter, env.clock)));
    }

    void layoutFollowsSize()
    {
        test::TestEnvironment env;
        MainWindow window(*env.settings, env.prompter, env.clock);
        QVERIFY(chooseColumns(window, "", [](ColumnChooserDialog& d) {
            QCOMPARE(d.size(), QSize(px(4950), px(4920)));
            const QPoint off = d.frameGeometry().center() - d.screen()->geometry().center();
            QVERIFY(qAbs(off.x()) <= 20 && qAbs(off.y()) <= 40); // centred on the screen
            int i = 0; // the move buttons, with their pictures, 425 twips apart
            for (QToolButton* b : buttons<QToolButton>(
                     d, {"moveTopButton", "moveUpButton", "moveDownButton", "moveBottomButton"})) {
                QCOMPARE(b->pos(), QPoint(px(50), px(50 + 425 * i++)));
                QVERIFY(!b->icon().pixmap(16, 16).isNull());
            }
            // Save, Reset and Cancel at the bottom right, 50 twips apart; the list fills the rest,
            // and keeps its size when there is no room for it.
            const QSize list(px(4425), px(4445)), grown = list + QSize(150, 60);
            for (const auto& [size, listSize] : QList<std::pair<QSize, QSize>>{
                     {d.size(), list}, {d.size() + QSize(150, 60), grown}, {{20, 20}, grown}}) {
                d.resize(size);
                QTRY_COMPARE(d.size(), size);
                int n = 3;
                for (QPushButton* b :
                     buttons<QPushButton>(d, {"saveButton", "resetButton", "cancelButton"}))
                    QCOMPARE(b->pos(),
                             QPoint(size.width() - px(1145 * n--), size.height() - px(425)));
                QCOMPARE(columnList(d)->geometry(), QRect(QPoint(px(475), px(50)), listSize));
                QCOMPARE(columnList(d)->columnWidth(0), listSize.width() - px(400));
            }
        }));
    }

    void eachVersionKeepsItsOwnLayout()
    {
        test::TestEnvironment env;
        MainWindow window(*env.settings, env.prompter, env.clock);
        QVERIFY(chooseColumns(window, "5 t 3 x s")); // ETA first, Progress hidden
        const QStringList shown3 = captions(window);
        QCOMPARE(shown3.first(), "ETA");
        const QString stored3 = env.settings->read(keys::version3Cols);
        test::action(window, "Switch to Kestrun Version")->trigger();
        QVERIFY(chooseColumns(window, "8 t s"));
        QCOMPARE(captions(window).join(';'), "#Peers;" + QString(v2).remove("#Peers;"));
        QCOMPARE(env.settings->read(keys::version3Cols), stored3);
        test::action(window, "Switch to Kestrun Version")->trigger();
        QCOMPARE(captions(window), shown3);
    }
};

QTEST_MAIN(tst_ColumnChooser)
#include "tst_columnchooser.moc"
