// The column chooser and Change Columns, driven through the real window.
#include "core/columns/ColumnLayout.h"
#include "core/settings/SettingsKeys.h"
#include "core/torrents/TorrentListModel.h"
#include "gui/ColumnChooserDialog.h"
#include "gui/MainWindow.h"
#include "support/Find.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <QtWidgets>

using namespace tavrin;

namespace {

// The built-in version 2 layout's rows.
const QString v2 = "FileName;Progress;BT Status;ETA;DL Speed;UL Speed;%UL/DL;#Peers;#Seeds;#Copies;"
                   "DL Size;UL Size;Peer Avg Progress;Total Speed";

// A layout written "key:index:show:width;..." (fields from the right may be left out), as the
// program writes it; XML is taken as it is.
QString xml(const QString& cols)
{
    static const QStringList names = {"key", "index", "show", "width"};
    QString text = "<Cols>";
    for (const QString& col : cols.split(';')) {
        text += "<Col";
        for (int i = 0; const QString& value : col.split(':'))
            text += QString(" %1=\"%2\"").arg(names[i++], value);
        text += "/>";
    }
    pugi::xml_document doc;
    columns::parse(doc, cols.startsWith('<') ? cols : text + "</Cols>");
    return columns::serialize(doc);
}

QStringList captions(const MainWindow& window)
{
    return window.findChild<TorrentListModel*>()->columns();
}

// Change Columns, taking these steps in the dialog: a number clicks that row (1-based), t u d b
// press the move buttons, r Reset, c Cancel; x presses Space (tick), s Enter (Save, the default
// button); the dialog is then closed by its window frame, so a failing step cannot hang the
// test. Returns the list's rows as the dialog opened, an unticked one marked "-".
QString chooseColumns(MainWindow& window, const QString& steps)
{
    const QStringList buttons = {"moveTopButton",    "moveUpButton", "moveDownButton",
                                 "moveBottomButton", "resetButton",  "cancelButton"};
    QStringList listed = {"<no dialog>"};
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<ColumnChooserDialog*>(QApplication::activeModalWidget());
        QTreeWidget* list = d ? d->findChild<QTreeWidget*>("columnList") : nullptr;
        QVERIFY(list);
        listed.clear();
        for (const QTreeWidgetItem* item : list->findItems({}, Qt::MatchContains))
            listed.append((item->checkState(0) == Qt::Checked ? "" : "-") + item->text(0));
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (QTreeWidgetItem* item = list->topLevelItem(step.toInt() - 1)) {
                list->scrollToItem(item);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(item).center());
            } else if (const qsizetype i = QString("tudbrc").indexOf(step); i >= 0) {
                QTest::mouseClick(d->findChild<QAbstractButton*>(buttons[i]), Qt::LeftButton);
            } else {
                QTest::keyClick(list, step == "x" ? Qt::Key_Space : Qt::Key_Return);
            }
        }
        d->close();
    });
    test::action(window, "Change Columns")->trigger();
    return listed.join(';');
}

} // namespace

class tst_ColumnChooser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void changeColumns_data()
    {
        QTest::addColumn<QString>("preset"); // the stored layout before; none: the built-in one
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("listed"); // the dialog's rows as it opens; *: the columns shown
        QTest::addColumn<QString>("after");  // the stored layout after; none: as before
        const auto row = [](const char* name, const auto&... v) {
            (QTest::newRow(name) << ... << v);
        };
        row("built-in, frame stores", QString(), "", "*", columns::defaultText(true));
        row("hidden in place, Cancel", "A:2:1;B:1:0;C:3", "2 t c", "-B;A;-C", QString());
        // Moves carry the tick along; the moved row stays selected. With nothing selected, or
        // at either end, a move does nothing.
        row("bottom, up", "A:1:1;B:2:1;C:3:1", "1 b x u s", "A;B;C", "A:2:0;B:1:1;C:3:1");
        row("nothing to move", "A:1:1;B:2:1;C:3:1", "t u d b 1 u 3 d s", "A;B;C", QString());
        // Save writes in place: document order, widths and elements not listed stay; a key listed
        // twice is written twice.
        row("Save", "A:1:1:3000;B:2:1;C:3;D:9;A:1", "3 x t 2 x s", "A;B;-C",
            "A:2:0:3000;B:3:1;C:1:1;D:9;A:2:0");
        row("Reset, Save", "ETA:1:1;FileName:2:0:5000;Seeding Option:3", "r s",
            "ETA;-FileName;-Seeding Option", "ETA:5:1;FileName:1:1:5000;Seeding Option:3");
        // Closed by the frame: the layout is stored, unchanged by the moves and Reset.
        row("moves, Reset, frame", "A:2:1;B:1:0", "2 t r", "-B;A", QString());
    }

    void changeColumns()
    {
        QFETCH(QString, preset);
        QFETCH(QString, steps);
        QFETCH(QString, listed);
        QFETCH(QString, after);
        test::TestEnvironment env;
        if (!preset.isNull())
            env.settings->write(keys::version3Cols, xml(preset));
        const QString before = env.settings->read(keys::version3Cols, "absent");
        MainWindow window(*env.settings, env.prompter, env.clock);
        QCOMPARE(chooseColumns(window, steps), listed == "*" ? captions(window).join(';') : listed);
        QCOMPARE(env.settings->read(keys::version3Cols, "absent"),
                 after.isNull() ? before : xml(after));
        // The columns shown are those a restart shows.
        QCOMPARE(captions(window), captions(MainWindow(*env.settings, env.prompter, env.clock)));
    }

    void eachVersionKeepsItsOwnLayout()
    {
        test::TestEnvironment env;
        MainWindow window(*env.settings, env.prompter, env.clock);
        chooseColumns(window, "5 t s"); // ETA first
        const QStringList shown3 = captions(window);
        QCOMPARE(shown3.first(), "ETA");
        test::action(window, "Switch to Kestrun Version")->trigger();
        QCOMPARE(chooseColumns(window, "8 t s"), v2); // one DL Speed
        QCOMPARE(captions(window).join(';'), "#Peers;" + QString(v2).remove("#Peers;"));
        test::action(window, "Switch to Kestrun Version")->trigger();
        QCOMPARE(captions(window), shown3);
    }
};

QTEST_MAIN(tst_ColumnChooser)
#include "tst_columnchooser.moc"
