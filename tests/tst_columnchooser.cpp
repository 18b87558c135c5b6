// The column chooser driven through its buttons, and Change Columns through the real window.
#include "columns/ColumnLayout.h"
#include "columns/frmColumnChange.h"
#include "mainwindow/SettingsKeys.h"
#include "mainwindow/frmMain.h"
#include "platform/Twips.h"
#include "support/TestEnvironment.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <functional>

using namespace tavrin;

namespace {

const QStringList version3Keys = {
    "FileName",    "Progress",          "BT Status",  "Priority", "ETA",         "Size",
    "DL Speed",    "UL Speed",          "%UL/DL",     "Message",  "Seeds",       "Peers",
    "Copies",      "Peer Avg Progress", "DL Size",    "UL Size",  "Total Speed", "Torrent Name",
    "Destination", "Seeding Time",      "Connections"};

const QStringList version2Keys = {
    "FileName", "Progress", "BT Status", "ETA",     "DL Speed", "UL Speed",          "%UL/DL",
    "#Peers",   "#Seeds",   "#Copies",   "DL Size", "UL Size",  "Peer Avg Progress", "Total Speed"};

int px(double twipsValue)
{
    return twips::toPixels(twipsValue, QGuiApplication::primaryScreen()->logicalDotsPerInch());
}

QStringList rowTexts(const frmColumnChange& d)
{
    QStringList texts;
    for (int i = 0; i < d.lvCols->topLevelItemCount(); ++i)
        texts.append(d.lvCols->topLevelItem(i)->text(0));
    return texts;
}

QStringList uncheckedRows(const frmColumnChange& d)
{
    QStringList texts;
    for (int i = 0; i < d.lvCols->topLevelItemCount(); ++i) {
        if (d.lvCols->topLevelItem(i)->checkState(0) != Qt::Checked)
            texts.append(d.lvCols->topLevelItem(i)->text(0));
    }
    return texts;
}

// The 1-based position of the selected row, 0 for none.
int selectedRow(const frmColumnChange& d)
{
    const QList<QTreeWidgetItem*> selected = d.lvCols->selectedItems();
    return selected.isEmpty() ? 0 : d.lvCols->indexOfTopLevelItem(selected.first()) + 1;
}

// Selects a row the way the user does: a click on its text.
void clickRow(frmColumnChange& d, int row)
{
    QTreeWidgetItem* item = d.lvCols->topLevelItem(row - 1);
    d.lvCols->scrollToItem(item);
    const QRect rect = d.lvCols->visualItemRect(item);
    QTest::mouseClick(d.lvCols->viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() + rect.width() / 2, rect.center().y()));
}

// Ticks or clears the check box of the row with this text, by the space bar.
void toggleRow(frmColumnChange& d, const QString& text)
{
    clickRow(d, rowTexts(d).indexOf(text) + 1);
    QTest::keyClick(d.lvCols, Qt::Key_Space);
}

QToolButton* moveButton(frmColumnChange& d, const QString& name)
{
    return d.findChild<QToolButton*>(name);
}

// The attribute of the Col element with this field number (document order).
QString attr(const pugi::xml_document& doc, int field, const char* name)
{
    int n = 0;
    for (pugi::xml_node col : doc.document_element().children("Col")) {
        if (++n == field)
            return QString::fromUtf8(col.attribute(name).value());
    }
    return QStringLiteral("<no element>");
}

QStringList documentKeys(const pugi::xml_document& doc)
{
    QStringList keys;
    for (pugi::xml_node col : doc.document_element().children("Col"))
        keys.append(QString::fromUtf8(col.attribute("key").value()));
    return keys;
}

QStringList captions(const frmMain& window)
{
    QStringList list;
    const QAbstractItemModel* model = window.lv->model();
    for (int i = 0; i < model->columnCount(); ++i)
        list.append(model->headerData(i, Qt::Horizontal).toString());
    return list;
}

// A dialog over two documents, shown and filled.
struct OpenDialog {
    explicit OpenDialog(const QString& working, bool version3 = true)
    {
        columns::parse(workingDoc, working);
        columns::parse(defaultDoc, columns::defaultText(version3));
        dialog.m_domColInfo = &workingDoc;
        dialog.m_domColInfoDefault = &defaultDoc;
        tester = std::make_unique<QAbstractItemModelTester>(
            dialog.lvCols->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        dialog.show();
    }
    pugi::xml_document workingDoc;
    pugi::xml_document defaultDoc;
    frmColumnChange dialog;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

// Triggers Change Columns and runs `drive` on the dialog while its modal loop runs. The dialog
// is closed afterwards whatever happens, so a failing step cannot hang the test.
bool changeColumns(frmMain& window, const std::function<void(frmColumnChange&)>& drive)
{
    bool driven = false;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<frmColumnChange*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            poll.stop();
            driven = true;
            drive(*dialog);
            if (dialog->isVisible())
                dialog->close();
        } else if (elapsed.elapsed() > 10000) {
            poll.stop();
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* d = qobject_cast<frmColumnChange*>(w); d && d->isVisible())
                    d->close();
            }
        }
    });
    poll.start();
    window.mnuChangeColumns->trigger();
    return driven;
}

} // namespace

class tst_ColumnChooser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowAndControls();
    void fillsFromWorkingDocument_data();
    void fillsFromWorkingDocument();
    void moves_data();
    void moves();
    void saveWritesOrderAndVisibilityInPlace();
    void saveGivesSameKeyElementsTheSameValues();
    void keyWithApostropheSelectsOnlyItsOwnElements();
    void resetThenSaveTakesDefaultOrderKeepsWidths();
    void resetThenCancelChangesNothing();
    void leavingWithoutSave_data();
    void leavingWithoutSave();
    void emptyOrForeignDocumentSavesNothing_data();
    void emptyOrForeignDocumentSavesNothing();
    void layoutFollowsSize();

    void changeColumnsStoresPerVersionAndSurvivesRestart();
    void changeColumnsCancelStoresNothing();
    void changeColumnsClosedByFrameStoresUnchangedLayout();
    void changeColumnsOverUnparsableStoredLayoutFallsBack();
};

void tst_ColumnChooser::windowAndControls()
{
    OpenDialog o(columns::defaultText(true));
    frmColumnChange& d = o.dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("Change Columns"));
    QCOMPARE(d.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(d.cmdOK->isDefault());
    QCOMPARE(d.cmdOK->text(), QStringLiteral("Save"));
    QCOMPARE(d.cmdCancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(d.cmdReset->text(), QStringLiteral("Reset"));
    QVERIFY(!d.m_bCancel);

    const QList<std::pair<QToolButton*, QString>> pictures = {{d.cmdTop, "Move to top"},
                                                              {d.cmdUp, "Move up"},
                                                              {d.cmdDown, "Move down"},
                                                              {d.cmdBottom, "Move to bottom"}};
    QList<QImage> images;
    for (const auto& [button, name] : pictures) {
        QCOMPARE(button->toolTip(), name);
        QCOMPARE(button->accessibleName(), name);
        QVERIFY(button->text().isEmpty());
        images.append(button->icon().pixmap(16, 16).toImage());
        QVERIFY2(!images.last().isNull(), qPrintable(name));
    }
    // Four different pictures.
    for (qsizetype i = 0; i < images.size(); ++i) {
        for (qsizetype j = i + 1; j < images.size(); ++j)
            QVERIFY(images.at(i) != images.at(j));
    }
}

void tst_ColumnChooser::fillsFromWorkingDocument_data()
{
    QTest::addColumn<QString>("working");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("unchecked");

    QTest::newRow("version 3 default, no Seeding Option")
        << columns::defaultText(true) << version3Keys << QStringList();
    QTest::newRow("version 2 default, DL Speed once")
        << columns::defaultText(false) << version2Keys << QStringList();
    QTest::newRow("hidden columns listed unticked at their place")
        << QStringLiteral("<Cols><Col key='A' index='2' show='1'/><Col key='B' index='1' "
                          "show='0'/><Col key='C' index='3'/></Cols>")
        << QStringList{"B", "A", "C"} << QStringList{"B", "C"};
    QTest::newRow("positions after a gap are not listed")
        << QStringLiteral("<Cols><Col key='A' index='1' show='1'/><Col key='B' index='2' "
                          "show='1'/><Col key='C' index='4' show='1'/></Cols>")
        << QStringList{"A", "B"} << QStringList();
}

void tst_ColumnChooser::fillsFromWorkingDocument()
{
    QFETCH(QString, working);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, unchecked);

    OpenDialog o(working);
    QCOMPARE(rowTexts(o.dialog), rows);
    QCOMPARE(uncheckedRows(o.dialog), unchecked);
    QCOMPARE(selectedRow(o.dialog), 0);
}

void tst_ColumnChooser::moves_data()
{
    QTest::addColumn<int>("row"); // 0: nothing selected
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");

    // from/to are 1-based; equal means the list does not change.
    QTest::newRow("ETA to the top") << 5 << "cmdTop" << 5 << 1;
    QTest::newRow("up one") << 3 << "cmdUp" << 3 << 2;
    QTest::newRow("down one") << 1 << "cmdDown" << 1 << 2;
    QTest::newRow("first to the bottom") << 1 << "cmdBottom" << 1 << 21;
    QTest::newRow("middle to the bottom") << 10 << "cmdBottom" << 10 << 21;
    QTest::newRow("up on the first row") << 1 << "cmdUp" << 1 << 1;
    QTest::newRow("down on the last row") << 21 << "cmdDown" << 21 << 21;
    QTest::newRow("top on the first row") << 1 << "cmdTop" << 1 << 1;
    QTest::newRow("bottom on the last row") << 21 << "cmdBottom" << 21 << 21;
    for (const char* button : {"cmdTop", "cmdUp", "cmdDown", "cmdBottom"})
        QTest::newRow(qPrintable(QStringLiteral("%1 with nothing selected").arg(button)))
            << 0 << button << 0 << 0;
}

void tst_ColumnChooser::moves()
{
    QFETCH(int, row);
    QFETCH(QString, button);
    QFETCH(int, from);
    QFETCH(int, to);

    OpenDialog o(columns::defaultText(true));
    frmColumnChange& d = o.dialog;
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QString moved;
    if (row > 0) {
        // The moved row carries its cleared check box along.
        moved = version3Keys.at(row - 1);
        toggleRow(d, moved);
        QCOMPARE(uncheckedRows(d), QStringList{moved});
        QCOMPARE(selectedRow(d), row);
    }
    d.cmdOK->setFocus();

    QTest::mouseClick(moveButton(d, button), Qt::LeftButton);

    QStringList expected = version3Keys;
    if (from > 0)
        expected.move(from - 1, to - 1);
    QCOMPARE(rowTexts(d), expected);
    QCOMPARE(selectedRow(d), to);
    QCOMPARE(uncheckedRows(d), row > 0 ? QStringList{moved} : QStringList());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d.lvCols));
    QVERIFY(d.isVisible());
}

void tst_ColumnChooser::saveWritesOrderAndVisibilityInPlace()
{
    OpenDialog o(columns::defaultText(true));
    frmColumnChange& d = o.dialog;
    clickRow(d, 5);
    QTest::mouseClick(d.cmdTop, Qt::LeftButton);
    toggleRow(d, QStringLiteral("Progress"));

    QTest::mouseClick(d.cmdOK, Qt::LeftButton);

    QVERIFY(!d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(!d.m_bCancel);
    const pugi::xml_document& doc = o.workingDoc;
    // Document order, and with it the field numbers, stays as it was.
    QStringList allKeys = version3Keys;
    allKeys.append(QStringLiteral("Seeding Option"));
    QCOMPARE(documentKeys(doc), allKeys);
    QCOMPARE(attr(doc, 5, "index"), QStringLiteral("1")); // ETA
    QCOMPARE(attr(doc, 1, "index"), QStringLiteral("2")); // FileName
    QCOMPARE(attr(doc, 2, "index"), QStringLiteral("3")); // Progress
    QCOMPARE(attr(doc, 2, "show"), QStringLiteral("0"));
    QCOMPARE(attr(doc, 4, "index"), QStringLiteral("5")); // Priority
    QCOMPARE(attr(doc, 21, "index"), QStringLiteral("21"));
    // Not listed, so untouched.
    QCOMPARE(attr(doc, 22, "index"), QStringLiteral("21"));
    QCOMPARE(attr(doc, 22, "show"), QStringLiteral("1"));
    // Widths are never written.
    QCOMPARE(attr(doc, 1, "width"), QStringLiteral("3000"));
    QCOMPARE(attr(doc, 5, "width"), QStringLiteral("750"));
    for (int field = 1; field <= 21; ++field) {
        if (field != 2)
            QCOMPARE(attr(doc, field, "show"), QStringLiteral("1"));
    }
}

void tst_ColumnChooser::saveGivesSameKeyElementsTheSameValues()
{
    OpenDialog o(columns::defaultText(false), false);
    frmColumnChange& d = o.dialog;
    clickRow(d, 5);
    QCOMPARE(d.lvCols->topLevelItem(4)->text(0), QStringLiteral("DL Speed"));
    QTest::mouseClick(d.cmdTop, Qt::LeftButton);
    QTest::keyClick(d.lvCols, Qt::Key_Space);
    QCOMPARE(uncheckedRows(d), QStringList{"DL Speed"});
    // Enter presses the default button.
    QTest::keyClick(d.lvCols, Qt::Key_Return);

    QVERIFY(!d.isVisible());
    QVERIFY(!d.m_bCancel);
    for (int field : {5, 6}) {
        QCOMPARE(attr(o.workingDoc, field, "index"), QStringLiteral("1"));
        QCOMPARE(attr(o.workingDoc, field, "show"), QStringLiteral("0"));
    }
    QCOMPARE(attr(o.workingDoc, 7, "index"), QStringLiteral("6")); // UL Speed unmoved
}

void tst_ColumnChooser::keyWithApostropheSelectsOnlyItsOwnElements()
{
    OpenDialog o(QStringLiteral("<Cols><Col key=\"FileName\" index=\"1\" show=\"1\"/>"
                                "<Col key=\"it's\" index=\"2\" show=\"1\"/>"
                                "<Col key=\"x' or @key!='\" index=\"3\" show=\"1\"/>"
                                "<Col key=\"Size\" index=\"4\" show=\"1\"/></Cols>"));
    frmColumnChange& d = o.dialog;
    QCOMPARE(rowTexts(d), (QStringList{"FileName", "it's", "x' or @key!='", "Size"}));
    clickRow(d, 3);
    QTest::mouseClick(d.cmdTop, Qt::LeftButton);
    toggleRow(d, QStringLiteral("it's"));
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);

    const QStringList indexes = {attr(o.workingDoc, 1, "index"), attr(o.workingDoc, 2, "index"),
                                 attr(o.workingDoc, 3, "index"), attr(o.workingDoc, 4, "index")};
    QCOMPARE(indexes, (QStringList{"2", "3", "1", "4"}));
    const QStringList shows = {attr(o.workingDoc, 1, "show"), attr(o.workingDoc, 2, "show"),
                               attr(o.workingDoc, 3, "show"), attr(o.workingDoc, 4, "show")};
    QCOMPARE(shows, (QStringList{"1", "0", "1", "1"}));
}

void tst_ColumnChooser::resetThenSaveTakesDefaultOrderKeepsWidths()
{
    // A stored layout: ETA first, Progress hidden, FileName wider, Size with a width.
    pugi::xml_document changed;
    columns::parse(changed, columns::defaultText(true));
    pugi::xml_node root = changed.document_element();
    int field = 0;
    for (pugi::xml_node col : root.children("Col")) {
        ++field;
        if (field <= 4)
            col.attribute("index").set_value(field + 1);
        if (field == 5)
            col.attribute("index").set_value(1);
        if (field == 2)
            col.attribute("show").set_value("0");
        if (field == 1)
            col.attribute("width").set_value("5000");
        if (field == 6)
            col.append_attribute("width").set_value("1234");
    }
    OpenDialog o(columns::serialize(changed));
    frmColumnChange& d = o.dialog;
    QCOMPARE(rowTexts(d).first(), QStringLiteral("ETA"));
    QCOMPARE(uncheckedRows(d), QStringList{"Progress"});

    QTest::mouseClick(d.cmdReset, Qt::LeftButton);
    QCOMPARE(rowTexts(d), version3Keys);
    QCOMPARE(uncheckedRows(d), QStringList());
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);

    for (int f = 1; f <= 22; ++f) {
        QCOMPARE(attr(o.workingDoc, f, "index"), attr(o.defaultDoc, f, "index"));
        QCOMPARE(attr(o.workingDoc, f, "show"), QStringLiteral("1"));
    }
    QCOMPARE(attr(o.workingDoc, 1, "width"), QStringLiteral("5000"));
    QCOMPARE(attr(o.workingDoc, 6, "width"), QStringLiteral("1234"));
}

void tst_ColumnChooser::resetThenCancelChangesNothing()
{
    const QString working = QStringLiteral("<Cols><Col key='FileName' index='2' show='1'/>"
                                           "<Col key='Progress' index='1' show='0'/></Cols>");
    OpenDialog o(working);
    frmColumnChange& d = o.dialog;
    const QString before = columns::serialize(o.workingDoc);
    QTest::mouseClick(d.cmdReset, Qt::LeftButton);
    QCOMPARE(rowTexts(d), version3Keys);
    QTest::mouseClick(d.cmdCancel, Qt::LeftButton);

    QVERIFY(!d.isVisible());
    QVERIFY(d.m_bCancel);
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(columns::serialize(o.workingDoc), before);
}

void tst_ColumnChooser::leavingWithoutSave_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("Esc is Cancel") << true;
    QTest::newRow("closed by the window frame") << false;
}

void tst_ColumnChooser::leavingWithoutSave()
{
    QFETCH(bool, byEscape);
    OpenDialog o(columns::defaultText(true));
    frmColumnChange& d = o.dialog;
    const QString before = columns::serialize(o.workingDoc);
    clickRow(d, 7);
    QTest::mouseClick(d.cmdTop, Qt::LeftButton);
    QCOMPARE(rowTexts(d).first(), QStringLiteral("DL Speed"));

    if (byEscape)
        QTest::keyClick(d.lvCols, Qt::Key_Escape);
    else
        QVERIFY(d.close());

    QVERIFY(!d.isVisible());
    // Only Cancel (and Esc, its key) sets the flag; the frame leaves it false.
    QCOMPARE(d.m_bCancel, byEscape);
    QCOMPARE(columns::serialize(o.workingDoc), before);
}

void tst_ColumnChooser::emptyOrForeignDocumentSavesNothing_data()
{
    QTest::addColumn<QString>("working");
    QTest::newRow("empty") << QString();
    QTest::newRow("another root") << QStringLiteral(
        "<Other><Col key='A' index='1' show='1'/></Other>");
}

void tst_ColumnChooser::emptyOrForeignDocumentSavesNothing()
{
    QFETCH(QString, working);
    OpenDialog o(working);
    frmColumnChange& d = o.dialog;
    QCOMPARE(d.lvCols->topLevelItemCount(), 0);
    const QString before = columns::serialize(o.workingDoc);
    for (QToolButton* b : {d.cmdTop, d.cmdUp, d.cmdDown, d.cmdBottom})
        QTest::mouseClick(b, Qt::LeftButton);
    QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    QVERIFY(!d.isVisible());
    QVERIFY(!d.m_bCancel);
    QCOMPARE(columns::serialize(o.workingDoc), before);
}

void tst_ColumnChooser::layoutFollowsSize()
{
    OpenDialog o(columns::defaultText(true));
    frmColumnChange& d = o.dialog;
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(d.size(), QSize(px(4950), px(4920)));
    // Centred on the screen when loaded.
    const QRect screen = d.screen()->geometry();
    QVERIFY(qAbs(d.frameGeometry().center().x() - screen.center().x()) <= 20);
    QVERIFY(qAbs(d.frameGeometry().center().y() - screen.center().y()) <= 40);

    const auto checkBottomRow = [&] {
        const QRect cancel = d.cmdCancel->geometry();
        QVERIFY(qAbs(d.width() - cancel.right() - 1 - px(50)) <= 1);
        QVERIFY(qAbs(d.height() - cancel.bottom() - 1 - px(50)) <= 1);
        QCOMPARE(d.cmdReset->y(), cancel.y());
        QCOMPARE(d.cmdOK->y(), cancel.y());
        QVERIFY(qAbs(cancel.left() - d.cmdReset->geometry().right() - 1 - px(50)) <= 1);
        QVERIFY(qAbs(d.cmdReset->x() - d.cmdOK->geometry().right() - 1 - px(50)) <= 1);
    };
    checkBottomRow();
    QCOMPARE(d.lvCols->pos(), QPoint(px(475), px(50)));
    QCOMPARE(d.lvCols->width(), px(4950 - 525));
    QCOMPARE(d.lvCols->columnWidth(0), px(4950 - 525 - 400));
    QVERIFY(qAbs(d.lvCols->geometry().bottom() + 1 - d.cmdOK->y()) <= 1);
    QCOMPARE(d.cmdTop->pos(), QPoint(px(50), px(50)));
    QCOMPARE(d.cmdUp->pos(), QPoint(px(50), px(475)));
    QCOMPARE(d.cmdDown->pos(), QPoint(px(50), px(900)));
    QCOMPARE(d.cmdBottom->pos(), QPoint(px(50), px(1325)));

    // Wider: the list and its column grow by the same amount.
    const int listWidth = d.lvCols->width();
    const int columnWidth = d.lvCols->columnWidth(0);
    d.resize(d.width() + 150, d.height() + 60);
    QTRY_VERIFY(qAbs(d.lvCols->width() - listWidth - 150) <= 1);
    QVERIFY(qAbs(d.lvCols->columnWidth(0) - columnWidth - 150) <= 1);
    checkBottomRow();

    // Too small for the list: its size stays, the buttons still follow.
    const QSize listSize = d.lvCols->size();
    const int column = d.lvCols->columnWidth(0);
    d.resize(20, 20);
    QTRY_COMPARE(d.size(), QSize(20, 20));
    QCOMPARE(d.lvCols->size(), listSize);
    QCOMPARE(d.lvCols->columnWidth(0), column);
    QVERIFY(d.cmdCancel->x() < 0);
    QVERIFY(d.cmdCancel->y() < 0);
}

void tst_ColumnChooser::changeColumnsStoresPerVersionAndSurvivesRestart()
{
    test::TestEnvironment env;
    QStringList expected = version3Keys;
    expected.move(4, 0);
    expected.removeOne(QStringLiteral("Progress"));
    {
        frmMain window(*env.settings, env.prompter, env.clock);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(captions(window), version3Keys);

        QVERIFY(changeColumns(window, [](frmColumnChange& d) {
            clickRow(d, 5);
            QTest::mouseClick(d.cmdTop, Qt::LeftButton);
            toggleRow(d, QStringLiteral("Progress"));
            QTest::mouseClick(d.cmdOK, Qt::LeftButton);
        }));

        QCOMPARE(captions(window), expected);
        QVERIFY(!env.settings->contains(keys::version2Cols));
        pugi::xml_document stored;
        QVERIFY(columns::parse(stored, env.settings->read(keys::version3Cols)));
        QCOMPARE(attr(stored, 5, "index"), QStringLiteral("1"));
        QCOMPARE(attr(stored, 2, "show"), QStringLiteral("0"));
        QCOMPARE(attr(stored, 1, "width"), QStringLiteral("3000"));
        window.close();
    }
    const QString stored3 = env.reopenedSettings().value("Main/Version3Cols").toString();
    QVERIFY(!stored3.isEmpty());

    // A restart reads it back; the other version keeps its own layout.
    frmMain window(*env.settings, env.prompter, env.clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(captions(window), expected);

    window.mnuSwitchVersion->trigger();
    QCOMPARE(captions(window), version2Keys);
    QVERIFY(changeColumns(window, [](frmColumnChange& d) {
        QCOMPARE(rowTexts(d), version2Keys);
        clickRow(d, 8);
        QTest::mouseClick(d.cmdTop, Qt::LeftButton);
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    }));
    QStringList expected2 = version2Keys;
    expected2.move(7, 0);
    QCOMPARE(captions(window), expected2);
    QVERIFY(env.settings->contains(keys::version2Cols));
    QCOMPARE(env.settings->read(keys::version3Cols), stored3);

    window.mnuSwitchVersion->trigger();
    QCOMPARE(captions(window), expected);
    window.mnuSwitchVersion->trigger();
    QCOMPARE(captions(window), expected2);
}

void tst_ColumnChooser::changeColumnsCancelStoresNothing()
{
    test::TestEnvironment env;
    frmMain window(*env.settings, env.prompter, env.clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(changeColumns(window, [](frmColumnChange& d) {
        clickRow(d, 5);
        QTest::mouseClick(d.cmdTop, Qt::LeftButton);
        QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
    }));
    QVERIFY(!env.settings->contains(keys::version3Cols));
    QCOMPARE(captions(window), version3Keys);
    QCOMPARE(columns::serialize(window.workingDocument()), [] {
        pugi::xml_document doc;
        columns::parse(doc, columns::defaultText(true));
        return columns::serialize(doc);
    }());
}

void tst_ColumnChooser::changeColumnsClosedByFrameStoresUnchangedLayout()
{
    test::TestEnvironment env;
    frmMain window(*env.settings, env.prompter, env.clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(changeColumns(window, [](frmColumnChange& d) {
        clickRow(d, 5);
        QTest::mouseClick(d.cmdTop, Qt::LeftButton);
        d.close();
    }));
    // The moves are lost, but the unchanged layout is stored and the columns rebuilt.
    QCOMPARE(env.settings->read(keys::version3Cols), columns::serialize(window.workingDocument()));
    pugi::xml_document stored;
    QVERIFY(columns::parse(stored, env.settings->read(keys::version3Cols)));
    QCOMPARE(attr(stored, 5, "index"), QStringLiteral("5"));
    QCOMPARE(captions(window), version3Keys);
}

void tst_ColumnChooser::changeColumnsOverUnparsableStoredLayoutFallsBack()
{
    test::TestEnvironment env;
    env.settings->write(keys::version3Cols, QStringLiteral("<Cols><Col key='A'"));
    frmMain window(*env.settings, env.prompter, env.clock);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(captions(window), QStringList());
    QVERIFY(changeColumns(window, [](frmColumnChange& d) {
        QCOMPARE(d.lvCols->topLevelItemCount(), 0);
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    }));
    // Saving the empty layout stores the empty text, which means the built-in default.
    QCOMPARE(env.settings->read(keys::version3Cols, QStringLiteral("absent")), QString());
    QCOMPARE(captions(window), version3Keys);
}

QTEST_MAIN(tst_ColumnChooser)
#include "tst_columnchooser.moc"
