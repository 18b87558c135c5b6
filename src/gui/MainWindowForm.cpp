#include "gui/MainWindowForm.h"
#include "core/layout/StoredWindowSize.h"

#include "core/columns/ColumnLayout.h"
#include "core/layout/MainWindowLayout.h"
#include "gui/FormWidgets.h"
#include "gui/TorrentItemDelegate.h"
#include "gui/TorrentTreeView.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeView>
#include <cmath>

namespace tavrin {

namespace {
const MainWindowMetrics design;
const MainWindowGeometry initial;
} // namespace

void MainWindowForm::setup(QMainWindow& window)
{
    twips = TwipsScale(window);
    // The geometry below was laid out for an 8-point dialog font.
    QFont smallFont = window.font();
    smallFont.setPointSizeF(8);
    window.setFont(smallFont);

    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("client"));
    window.setCentralWidget(client);
    createConnectionArea(client);
    createListArea(client);
    createBulkButtons();

    // The keyboard order users of the program are used to, not the order on screen.
    const QList<QWidget*> tabOrder = {
        connectButton,     hostEdit,          portEdit,          uniqueIdEdit,      torrentView,
        bulkButtons.at(0), refreshEdit,       bulkButtons.at(1), bulkButtons.at(4), linkEdit,
        addButton,         bulkButtons.at(2), bulkButtons.at(3)};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
    connectButton->setFocus();

    // The client area at its first size; start-up then restores the stored outer size.
    window.resize(twips.toPixels(design.designClientWidth),
                  twips.toPixels(design.designClientHeight) +
                      window.menuBar()->sizeHint().height());
}

void MainWindowForm::createConnectionArea(QWidget* client)
{
    // Left, top and width of the caption, then left and width of the box, in twips.
    const auto box = [&](const char* name, const QString& caption,
                         const std::array<double, 5>& at) {
        return form::captionedBox(twips, client, name, caption, {at[0], at[1], at[2], 0}, at[3],
                                  at[4]);
    };
    hostEdit = box("host", QCoreApplication::translate("MainWindow", "Host:"),
                   {120, 120, 855, 1080, 2535});
    portEdit = box("port", QCoreApplication::translate("MainWindow", "Port:"),
                   {120, 480, 855, 1080, 2535});
    uniqueIdEdit = box("uniqueId", QCoreApplication::translate("MainWindow", "Unique ID:"),
                       {3840, 120, 855, 5040, 2535});
    refreshEdit = box("refresh", QCoreApplication::translate("MainWindow", "Refresh (secs):"),
                      {3840, 480, 1215, 5040, 855});
    connectButton = form::pushButton(client, "connectButton",
                                     QCoreApplication::translate("MainWindow", "Connect"));
    connectButton->setGeometry(twips.toPixels(7920, 120, 1095, 375));
    hostEdit->setToolTip(QCoreApplication::translate(
        "MainWindow", "Name or address of the machine running Kestrun"));
    portEdit->setToolTip(
        QCoreApplication::translate("MainWindow", "Port of Kestrun's command service"));
    uniqueIdEdit->setToolTip(
        QCoreApplication::translate("MainWindow", "The unique ID set up in Kestrun"));
    refreshEdit->setToolTip(QCoreApplication::translate(
        "MainWindow", "Seconds between two requests for the torrent list"));
    connectButton->setToolTip(
        QCoreApplication::translate("MainWindow", "Start asking the server for its torrents"));

    shadowLine = form::separatorLine(client, "shadowLine", QColor(0xC0, 0xC0, 0xC0));
    highlightLine = form::separatorLine(client, "highlightLine", Qt::white);
    const auto placeLine = [this](QFrame* line, float left, float top, float right) {
        line->setGeometry(twips.toPixels(left), twips.toPixels(top), twips.toPixels(right - left),
                          1);
    };
    placeLine(shadowLine, initial.shadowLineLeft, 0, initial.shadowLineRight);
    placeLine(highlightLine, initial.highlightLineLeft, design.highlightLineTop,
              initial.highlightLineRight);
}

void MainWindowForm::createListArea(QWidget* client)
{
    contentFrame = new QFrame(client);
    contentFrame->setObjectName(QStringLiteral("contentFrame"));
    contentFrame->setFrameShape(QFrame::NoFrame);
    contentFrame->setGeometry(twips.toPixels(design.contentLeft, design.contentTop,
                                             initial.contentWidth, initial.contentHeight));

    // This caption sits a little lower, level with the Add button's text.
    linkEdit = form::captionedBox(
        twips, contentFrame, "link", QCoreApplication::translate("MainWindow", "Add Link:"),
        {120, design.linkRowTop, 855, 10}, design.linkBoxLeft, initial.linkBoxWidth);
    addButton = form::pushButton(contentFrame, "addButton",
                                 QCoreApplication::translate("MainWindow", "Add"));
    linkEdit->setToolTip(
        QCoreApplication::translate("MainWindow", "A link to a torrent; Return adds it (Ctrl+L)"));
    addButton->setToolTip(
        QCoreApplication::translate("MainWindow", "Add the torrent behind the link"));
    addButton->setGeometry(twips.toPixels(initial.addButtonLeft, design.linkRowTop,
                                          design.addButtonWidth, design.addButtonHeight));

    torrentView = new TorrentTreeView(contentFrame);
    torrentView->setObjectName(QStringLiteral("torrentView"));
    torrentView->setAccessibleName(QCoreApplication::translate("MainWindow", "Torrents"));
    torrentView->setRootIsDecorated(false);
    torrentView->setUniformRowHeights(true);
    torrentView->setItemsExpandable(false);
    torrentView->setAllColumnsShowFocus(true);
    torrentView->setSelectionBehavior(QAbstractItemView::SelectRows);
    torrentView->setSelectionMode(QAbstractItemView::SingleSelection);
    torrentView->setContextMenuPolicy(Qt::CustomContextMenu);
    torrentView->header()->setStretchLastSection(false);
    torrentView->header()->setSectionsMovable(false);
    torrentView->header()->setDefaultSectionSize(twips.toPixels(columns::standardWidthTwips));
    torrentView->setItemDelegate(new TorrentItemDelegate(torrentView));
    torrentView->setGeometry(
        twips.toPixels(design.listLeft, design.listTop, initial.listWidth, initial.listHeight));
}

void MainWindowForm::createBulkButtons()
{
    struct Bulk {
        const char* name;
        QString tip;
        const char* icon;
    };
    const Bulk buttons[] = {
        {"pauseAllButton", QCoreApplication::translate("MainWindow", "Pause All"), "pause-all.svg"},
        {"resumeAllButton", QCoreApplication::translate("MainWindow", "UnPause All"),
         "unpause-all.svg"},
        {"stopAllButton", QCoreApplication::translate("MainWindow", "Stop All"), "stop-all.svg"},
        {"queueAllButton", QCoreApplication::translate("MainWindow", "Queue All"), "queue-all.svg"},
        {"deleteCompletedButton", QCoreApplication::translate("MainWindow", "Delete Completed"),
         "delete-completed.svg"},
    };
    double left = design.listLeft;
    for (const Bulk& bulk : buttons) {
        auto* button = new QToolButton(contentFrame);
        button->setObjectName(QLatin1String(bulk.name));
        button->setToolTip(bulk.tip);
        button->setAccessibleName(bulk.tip);
        button->setIcon(QIcon(QLatin1String(":/icons/") + QLatin1String(bulk.icon)));
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::StrongFocus);
        button->setGeometry(twips.toPixels(left, initial.buttonRowTop, design.buttonRowHeight,
                                           design.buttonRowHeight));
        bulkButtons.append(button);
        left += design.buttonSpacing;
    }
}

float MainWindowForm::outerWidthTwips(const QMainWindow& window) const
{
    return twips.toTwips(window.frameGeometry().width());
}

float MainWindowForm::outerHeightTwips(const QMainWindow& window) const
{
    return twips.toTwips(window.frameGeometry().height());
}

void MainWindowForm::setOuterSizeTwips(QMainWindow& window, float width, float height) const
{
    // The frame is what the window system adds around the client; unknown before showing.
    const QSize frame = window.frameGeometry().size() - window.size();
    window.resize(std::max(0, twips.toPixels(width) - frame.width()),
                  std::max(0, twips.toPixels(height) - frame.height()));
}

QString MainWindowForm::restoreSize(QMainWindow& window, const SettingsStore& settings) const
{
    // A stored size that is not a whole number stops reading there, the height after the width.
    StoredWindowSize stored = StoredWindowSize::read(settings);
    if (const QScreen* screen = window.screen(); screen && !screen->availableGeometry().isEmpty())
        stored.clampTo(twips.toTwips(screen->availableGeometry().width()),
                       twips.toTwips(screen->availableGeometry().height()));
    if (stored.width)
        setOuterSizeTwips(window, *stored.width, outerHeightTwips(window));
    if (stored.height)
        setOuterSizeTwips(window, outerWidthTwips(window), *stored.height);
    return stored.error;
}

void MainWindowForm::applyLayout(QMainWindow& window) const
{
    if (!contentFrame)
        return;
    const auto clientWidth = [&] { return twips.toTwips(window.centralWidget()->width()); };
    const auto clientHeight = [&] { return twips.toTwips(window.centralWidget()->height()); };

    // The window system refuses to resize a minimised or maximised window.
    const bool sizeLocked = (window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized |
                                                     Qt::WindowFullScreen)) != 0;
    // Each resize below may lay the window out again, nested, before it returns.
    if (const auto width = MainWindowLayout::outerWidthToAssign(clientWidth(), design);
        width && !sizeLocked)
        setOuterSizeTwips(window, *width, outerHeightTwips(window));
    if (const auto height = MainWindowLayout::outerHeightToAssign(clientHeight(), design);
        height && !sizeLocked)
        setOuterSizeTwips(window, outerWidthTwips(window), *height);

    // The present sizes, so that one that cannot be applied stays as the widget shows it.
    MainWindowLayout::Geometry current;
    current.contentWidth = twips.toTwips(contentFrame->width());
    current.contentHeight = twips.toTwips(contentFrame->height());
    current.listWidth = twips.toTwips(torrentView->width());
    current.listHeight = twips.toTwips(torrentView->height());
    current.linkBoxWidth = twips.toTwips(linkEdit->width());
    const MainWindowLayout::Geometry g =
        MainWindowLayout::fitContent(clientWidth(), clientHeight(), current, design);

    const auto placeLine = [this](QFrame* line, float x1, float x2) {
        line->setGeometry(twips.toPixels(std::min(x1, x2)), line->y(),
                          twips.toPixels(std::fabs(x2 - x1)), 1);
    };
    placeLine(shadowLine, g.shadowLineLeft, g.shadowLineRight);
    placeLine(highlightLine, g.highlightLineLeft, g.highlightLineRight);
    contentFrame->resize(twips.toPixels(g.contentWidth), twips.toPixels(g.contentHeight));
    torrentView->resize(twips.toPixels(g.listWidth), twips.toPixels(g.listHeight));
    addButton->move(twips.toPixels(g.addButtonLeft), addButton->y());
    linkEdit->resize(twips.toPixels(g.linkBoxWidth), linkEdit->height());
    for (QToolButton* b : bulkButtons)
        b->move(b->x(), twips.toPixels(g.buttonRowTop));
}

} // namespace tavrin
