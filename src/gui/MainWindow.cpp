#include "gui/MainWindow.h"

#include "BuildInfo.h"
#include "core/columns/ColumnLayout.h"
#include "core/layout/MainWindowLayout.h"
#include "core/log/EventLog.h"
#include "core/platform/Numbers.h"
#include "core/platform/Prompter.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"
#include "core/update/UpdateCheck.h"
#include "gui/AboutDialog.h"
#include "gui/ColumnChooserDialog.h"
#include "gui/TorrentItemDelegate.h"
#include "gui/TorrentMenu.h"
#include "gui/UpdateReportDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <array>
#include <cmath>

// The pictures live in the static library; they must be registered before first use.
static void initResources()
{
    Q_INIT_RESOURCE(tavrin);
}

namespace tavrin {

namespace {

// The identifier of the selected torrent, or nothing.
std::optional<QByteArray> selectedTorrent(const QTreeView* view, const TorrentListModel* model)
{
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return model->tag(rows.first().row() + 1);
}

// A caption and its text box; assistive tools name the box by its caption. `caption` is left,
// top, width and how much lower than the box the caption sits, in twips.
QLineEdit* captionedBox(const TwipsScale& twips, QWidget* parent, const char* name,
                        const QString& text, const std::array<double, 4>& caption, double boxLeft,
                        double boxWidth)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name) + QLatin1String("Label"));
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name) + QLatin1String("Edit"));
    label->setBuddy(edit);
    edit->setAccessibleName(text);
    label->setGeometry(twips.toPixels(caption[0], caption[1] + caption[3], caption[2], 255));
    edit->setGeometry(twips.toPixels(boxLeft, caption[1], boxWidth, 285));
    // A caption wider than its box may use the space up to its text box, never clip.
    const int room = edit->x() - label->x();
    label->resize(std::max(label->width(), std::min(room, label->sizeHint().width())),
                  label->height());
    return edit;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// A one-pixel line in a flat colour.
QFrame* separatorLine(QWidget* parent, const char* name, const QColor& colour)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace

MainWindow::MainWindow(SettingsStore& settings, Prompter& prompter, const Clock& clock,
                       MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_prompter(prompter),
      m_log(std::make_unique<EventLog>(clock, prompter)), m_options(std::move(options)),
      m_twips(*this)
{
    initResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tavrin v1.1"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")));

    m_network = new QNetworkAccessManager(this);
    m_network->setObjectName(QStringLiteral("network"));
    m_model = new TorrentListModel(this);
    m_session =
        new Session(settings, *m_model, {m_options.chainDelayMs, m_options.deadlineMs}, this);

    createWidgets();
    createMenus();
    connectSession();

    startUp();
}

MainWindow::~MainWindow() = default;

float MainWindow::outerWidthTwips() const
{
    return m_twips.toTwips(frameGeometry().width());
}

float MainWindow::outerHeightTwips() const
{
    return m_twips.toTwips(frameGeometry().height());
}

void MainWindow::setOuterSizeTwips(float width, float height)
{
    // The frame is what the window system adds around the client; unknown before showing.
    const QSize frame = frameGeometry().size() - size();
    resize(std::max(0, m_twips.toPixels(width) - frame.width()),
           std::max(0, m_twips.toPixels(height) - frame.height()));
}

void MainWindow::createWidgets()
{
    // The geometry below was laid out for an 8-point dialog font.
    QFont smallFont = font();
    smallFont.setPointSizeF(8);
    setFont(smallFont);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    createConnectionArea(client);
    createListArea(client);

    // The keyboard order users of the program are used to, not the order on screen.
    const QList<QWidget*> tabOrder = {m_connectButton,    m_hostEdit,          m_portEdit,
                                      m_uniqueIdEdit,     m_torrentView,       m_bulkButtons.at(0),
                                      m_refreshEdit,      m_bulkButtons.at(1), m_bulkButtons.at(4),
                                      m_linkEdit,         m_addButton,         m_bulkButtons.at(2),
                                      m_bulkButtons.at(3)};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
    m_connectButton->setFocus();

    // The client area at its first size; start-up then restores the stored outer size.
    resize(m_twips.toPixels(10275), m_twips.toPixels(6615) + menuBar()->sizeHint().height());
}

void MainWindow::createConnectionArea(QWidget* client)
{
    // Left, top and width of the caption, then left and width of the box, in twips.
    const auto box = [&](const char* name, const QString& caption,
                         const std::array<double, 5>& at) {
        return captionedBox(m_twips, client, name, caption, {at[0], at[1], at[2], 0}, at[3], at[4]);
    };
    m_hostEdit = box("host", QStringLiteral("Host:"), {120, 120, 855, 1080, 2535});
    m_hostEdit->setText(QStringLiteral("localhost"));
    m_portEdit = box("port", QStringLiteral("Port:"), {120, 480, 855, 1080, 2535});
    m_portEdit->setText(QStringLiteral("56667"));
    m_uniqueIdEdit = box("uniqueId", QStringLiteral("Unique ID:"), {3840, 120, 855, 5040, 2535});
    m_refreshEdit = box("refresh", QStringLiteral("Refresh (secs):"), {3840, 480, 1215, 5040, 855});
    m_connectButton = pushButton(client, "connectButton", QStringLiteral("Connect"));
    m_connectButton->setGeometry(m_twips.toPixels(7920, 120, 1095, 375));
    connect(m_connectButton, &QPushButton::clicked, this, &MainWindow::onConnectClicked);

    m_shadowLine = separatorLine(client, "shadowLine", QColor(0xC0, 0xC0, 0xC0));
    m_shadowLine->setGeometry(0, 0, m_twips.toPixels(10320), 1);
    m_highlightLine = separatorLine(client, "highlightLine", Qt::white);
    m_highlightLine->setGeometry(m_twips.toPixels(6600), m_twips.toPixels(10),
                                 m_twips.toPixels(9840 - 6600), 1);
}

void MainWindow::createListArea(QWidget* client)
{
    m_contentFrame = new QFrame(client);
    m_contentFrame->setObjectName(QStringLiteral("contentFrame"));
    m_contentFrame->setFrameShape(QFrame::NoFrame);
    m_contentFrame->setGeometry(m_twips.toPixels(0, 1080, 10215, 5415));

    // This caption sits a little lower, level with the Add button's text.
    m_linkEdit = captionedBox(m_twips, m_contentFrame, "link", QStringLiteral("Add Link:"),
                              {120, 120, 855, 10}, 960, 6735);
    m_addButton = pushButton(m_contentFrame, "addButton", QStringLiteral("Add"));
    m_addButton->setGeometry(m_twips.toPixels(7800, 120, 735, 255));
    connect(m_addButton, &QPushButton::clicked, this,
            [this] { m_session->addLink(m_linkEdit->text()); });

    m_torrentView = new QTreeView(m_contentFrame);
    m_torrentView->setObjectName(QStringLiteral("torrentView"));
    m_torrentView->setAccessibleName(QStringLiteral("Torrents"));
    m_torrentView->setRootIsDecorated(false);
    m_torrentView->setUniformRowHeights(true);
    m_torrentView->setItemsExpandable(false);
    m_torrentView->setAllColumnsShowFocus(true);
    m_torrentView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_torrentView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_torrentView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_torrentView->header()->setStretchLastSection(false);
    m_torrentView->header()->setSectionsMovable(false);
    m_torrentView->header()->setDefaultSectionSize(m_twips.toPixels(columns::standardWidthTwips));
    m_torrentView->setModel(m_model);
    m_torrentView->setItemDelegate(new TorrentItemDelegate(m_torrentView));
    m_torrentView->setGeometry(m_twips.toPixels(120, 600, 9975, 4095));
    connect(m_torrentView, &QWidget::customContextMenuRequested, this,
            &MainWindow::showContextMenu);

    const auto pictureButton = [this](const char* name, const QString& tip, const char* icon,
                                      double left, void (Session::*command)()) {
        auto* button = new QToolButton(m_contentFrame);
        button->setObjectName(QLatin1String(name));
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        button->setIcon(QIcon(QLatin1String(":/icons/") + QLatin1String(icon)));
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::StrongFocus);
        button->setGeometry(m_twips.toPixels(left, 4800, 495, 495));
        connect(button, &QToolButton::clicked, m_session, command);
        m_bulkButtons.append(button);
    };
    pictureButton("pauseAllButton", QStringLiteral("Pause All"), "pause-all.svg", 120,
                  &Session::startPauseAll);
    pictureButton("resumeAllButton", QStringLiteral("UnPause All"), "unpause-all.svg", 720,
                  &Session::startResumeAll);
    pictureButton("stopAllButton", QStringLiteral("Stop All"), "stop-all.svg", 1320,
                  &Session::stopAll);
    pictureButton("queueAllButton", QStringLiteral("Queue All"), "queue-all.svg", 1920,
                  &Session::queueAll);
    pictureButton("deleteCompletedButton", QStringLiteral("Delete Completed"),
                  "delete-completed.svg", 2520, &Session::deleteCompleted);
}

void MainWindow::createMenus()
{
    const auto item = [this](QMenu* menu, const char* name, const QString& caption, auto slot) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    const auto menu = [this](const char* name, const QString& caption) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };

    QMenu* actionMenu = menu("actionMenu", QStringLiteral("Action"));
    m_switchVersionAction = item(actionMenu, "switchVersionAction",
                                 QStringLiteral("Switch to Version"), &MainWindow::switchVersion);
    item(actionMenu, "changeColumnsAction", QStringLiteral("Change Columns"),
         &MainWindow::changeColumns);
    actionMenu->addSeparator()->setObjectName(QStringLiteral("separator"));
    item(actionMenu, "exitAction", QStringLiteral("Exit"), &MainWindow::close);

    QMenu* helpMenu = menu("helpMenu", QStringLiteral("Help"));
    item(helpMenu, "aboutAction", QStringLiteral("About"), &MainWindow::showAbout);
    item(helpMenu, "checkVersionAction", QStringLiteral("Check for new version"),
         &MainWindow::checkForNewVersion);

    // Never in the menu bar: it opens over the list.
    m_torrentMenu = new TorrentMenu(this);
    connect(m_torrentMenu, &TorrentMenu::commandChosen, this, [this](Session::TorrentCommand c) {
        if (m_contextTorrent)
            m_session->sendTorrentCommand(c, *m_contextTorrent);
    });
    connect(m_torrentMenu, &TorrentMenu::priorityChosen, this, [this](const QByteArray& code) {
        if (m_contextTorrent)
            m_session->setPriority(*m_contextTorrent, code);
    });
}

void MainWindow::startUp()
{
    m_log->writeLog(QStringLiteral("Tavrin starting"));

    m_serverVersion =
        m_settings.read(keys::version3, keys::defaultVersion3) == QLatin1String("true")
            ? ServerVersion::V3
            : ServerVersion::V2;
    showVersionSwitchCaption();
    m_columnLayout.reset();
    m_defaultColumnLayout.reset();
    buildColumns();

    m_hostEdit->setText(m_settings.read(keys::host, keys::defaultHost));
    m_portEdit->setText(m_settings.read(keys::port, keys::defaultPort));
    m_uniqueIdEdit->setText(m_settings.read(keys::uniqueId));
    m_refreshEdit->setText(m_settings.read(keys::refreshSecs, keys::defaultRefreshSecs));

    setWindowTitle(QStringLiteral("Tavrin v") + build::versionString());

    m_contentFrame->setEnabled(false);
    m_contentFrame->setVisible(false);

    // A stored size that is not a whole number stops start-up there, the height after the width.
    const auto storedTwips = [this](QLatin1StringView key, QLatin1StringView fallback,
                                    const char* what) -> std::optional<float> {
        const QString text = m_settings.read(key, fallback);
        if (const auto value = toInt32(text))
            return static_cast<float>(*value);
        m_prompter.showError(QStringLiteral("The stored window %1 \"%2\" is not a whole number.")
                                 .arg(QLatin1String(what), text));
        return std::nullopt;
    };
    const auto width = storedTwips(keys::width, keys::defaultWidth, "width");
    if (!width)
        return;
    setOuterSizeTwips(*width, outerHeightTwips());
    const auto height = storedTwips(keys::height, keys::defaultHeight, "height");
    if (!height)
        return;
    setOuterSizeTwips(outerWidthTwips(), *height);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    const auto text = [](float twips) {
        return QString::number(static_cast<double>(twips), 'g', 9);
    };
    m_settings.write(keys::width, text(outerWidthTwips()));
    m_settings.write(keys::height, text(outerHeightTwips()));
    m_session->shutDown();
    event->accept();
}

void MainWindow::connectSession()
{
    // Every request reads the connection fields as they stand.
    connect(m_hostEdit, &QLineEdit::textChanged, m_session, &Session::setHost);
    connect(m_portEdit, &QLineEdit::textChanged, m_session, &Session::setPort);
    connect(m_uniqueIdEdit, &QLineEdit::textChanged, m_session, &Session::setUniqueId);
    m_session->setHost(m_hostEdit->text());
    m_session->setPort(m_portEdit->text());
    m_session->setUniqueId(m_uniqueIdEdit->text());
    connect(m_session, &Session::statusReplyArrived, this, &MainWindow::applyStatusReply);
    connect(m_session, &Session::fieldsLockedChanged, this, &MainWindow::setFieldsLocked);
    connect(m_session, &Session::listAreaShown, this, [this] {
        m_contentFrame->setEnabled(true);
        m_contentFrame->setVisible(true);
    });
    connect(m_session, &Session::busyChanged, this,
            [this](bool busy) { m_prompter.setWaitPointer(busy); });
    connect(m_session, &Session::message, this,
            [this](const QString& text, MessageStyle style, const QString& title) {
                // The box shows the start of outside text; the log keeps the whole of it.
                m_log->writeLog(text);
                m_prompter.showMessage(text, style, title);
            });
}

void MainWindow::setFieldsLocked(bool locked)
{
    const QList<QWidget*> fields = {m_hostEdit, m_portEdit, m_uniqueIdEdit, m_connectButton};
    for (QWidget* field : fields)
        field->setEnabled(!locked);
}

void MainWindow::onConnectClicked()
{
    m_session->connectToServer(m_refreshEdit->text());
}

void MainWindow::buildColumns()
{
    columns::parse(m_defaultColumnLayout, columns::defaultText(isVersion3()));
    QString stored = m_settings.read(isVersion3() ? keys::version3Cols : keys::version2Cols);
    if (stored.isEmpty())
        stored = columns::serialize(m_defaultColumnLayout);
    // Text that does not parse leaves the working document empty: no columns, on purpose.
    columns::parse(m_columnLayout, stored);

    const QList<columns::ColumnHeader> headers = columns::columnHeaders(m_columnLayout);
    QStringList captions;
    for (const columns::ColumnHeader& header : headers)
        captions.append(header.caption);
    // Setting the columns also empties the rows; the next status reply fills them again.
    m_model->setColumns(captions);
    for (qsizetype i = 0; i < headers.size(); ++i)
        m_torrentView->header()->resizeSection(static_cast<int>(i),
                                               m_twips.toPixels(headers.at(i).widthTwips));
}

void MainWindow::showVersionSwitchCaption()
{
    m_switchVersionAction->setText(isVersion3() ? QStringLiteral("Switch to Kestrun Version 2")
                                                : QStringLiteral("Switch to Kestrun Version 3"));
}

void MainWindow::switchVersion()
{
    m_serverVersion = isVersion3() ? ServerVersion::V2 : ServerVersion::V3;
    m_settings.write(keys::version3,
                     isVersion3() ? QStringLiteral("true") : QStringLiteral("false"));
    showVersionSwitchCaption();
    buildColumns();
}

void MainWindow::changeColumns()
{
    // No owner: the dialog is a window of its own, modal over the whole program.
    ColumnChooserDialog dialog;
    dialog.setLayouts(&m_columnLayout, &m_defaultColumnLayout);
    dialog.exec();
    if (dialog.wasCancelled())
        return;
    m_settings.write(isVersion3() ? keys::version3Cols : keys::version2Cols,
                     columns::serialize(m_columnLayout));
    buildColumns();
}

void MainWindow::runDialog(QDialog& dialog)
{
    if (m_options.runModal)
        m_options.runModal(dialog);
    else
        dialog.exec();
}

void MainWindow::showAbout()
{
    // Held weakly: closing the main window during exec() takes its children with it.
    QPointer<AboutDialog> about = new AboutDialog(this);
    runDialog(*about);
    delete about;
}

void MainWindow::checkForNewVersion()
{
    // One check at a time; the window stays usable while it waits.
    for (const UpdateCheck* running : findChildren<UpdateCheck*>(Qt::FindDirectChildrenOnly)) {
        if (running->isRunning())
            return;
    }
    const QUrl url = m_options.versionsUrl.isEmpty() ? QUrl(QString::fromUtf8(build::versionsUrl))
                                                     : m_options.versionsUrl;
    m_prompter.setWaitPointer(true);
    auto* check = new UpdateCheck(*m_network, this);
    connect(check, &UpdateCheck::finished, this, [this, check](const UpdateOutcome& outcome) {
        check->deleteLater();
        m_prompter.setWaitPointer(false);
        // Shown from the event loop, not from inside the check that is being discarded.
        QTimer::singleShot(0, this, [this, outcome] { showUpdateOutcome(outcome); });
    });
    check->start(url, m_options.updateTimeoutMs, build::versionString());
}

void MainWindow::showUpdateOutcome(const UpdateOutcome& outcome)
{
    switch (outcome.kind) {
    case UpdateOutcome::Kind::Latest:
        m_prompter.showMessage(
            QStringLiteral("You are currently running the latest version of Tavrin"),
            MessageStyle::Plain, QStringLiteral("Check Version"));
        break;
    case UpdateOutcome::Kind::Failure:
        m_prompter.showError(outcome.text);
        break;
    case UpdateOutcome::Kind::Report: {
        QPointer<UpdateReportDialog> window = new UpdateReportDialog(this);
        window->setReport(outcome.text);
        runDialog(*window);
        delete window;
        break;
    }
    }
}

void MainWindow::showContextMenu(const QPoint& pos)
{
    const QModelIndex hit = m_torrentView->indexAt(pos);
    if (!hit.isValid())
        return;
    const int position = hit.row() + 1;
    m_clickedPosition = position;
    m_torrentMenu->prepare(m_session->statusAt(position), m_session->priorityAt(position),
                           isVersion3());
    m_torrentView->selectionModel()->select(hit, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    m_torrentView->selectionModel()->setCurrentIndex(hit, QItemSelectionModel::NoUpdate);
    // The commands act on this torrent even if a refresh moves the selection meanwhile.
    m_contextTorrent = m_model->tag(position);
    m_torrentMenu->popup(m_torrentView->viewport()->mapToGlobal(pos));
}

void MainWindow::applyStatusReply(const QByteArray& reply)
{
    const std::optional<QByteArray> selectedBefore = selectedTorrent(m_torrentView, m_model);
    StatusReplyProcessor processor;
    const StatusReplyOutcome outcome =
        processor.process(reply, m_columnLayout, *m_model, RequestKind::Status, m_clickedPosition);
    // One open of the log per reply; the entries are the same as one write each.
    m_log->writeLogs(outcome.logLines);

    if (!outcome.error.isEmpty()) {
        // A server that keeps sending a bad row must not stack a new box every refresh.
        if (m_replyErrorBoxOpen)
            return;
        m_replyErrorBoxOpen = true;
        m_prompter.showMessage(outcome.error, MessageStyle::Plain, {});
        m_replyErrorBoxOpen = false;
        return;
    }
    QItemSelectionModel* selection = m_torrentView->selectionModel();
    if (outcome.selectPosition > 0) {
        selection->select(m_model->itemIndex(outcome.selectPosition),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (const auto now = selectedTorrent(m_torrentView, m_model);
               now && now != selectedBefore) {
        // The view moves the selection to a neighbour when the selected item goes; the list
        // selects nothing on its own.
        selection->clearSelection();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyLayout();
}

void MainWindow::applyLayout()
{
    if (!m_contentFrame)
        return;
    const MainWindowLayout::Metrics metrics;
    const auto clientWidth = [this] { return m_twips.toTwips(centralWidget()->width()); };
    const auto clientHeight = [this] { return m_twips.toTwips(centralWidget()->height()); };

    // The window system refuses to resize a minimised or maximised window.
    const bool sizeLocked =
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
    // Each resize below may lay the window out again, nested, before it returns.
    if (const auto width = MainWindowLayout::outerWidthToAssign(clientWidth(), metrics);
        width && !sizeLocked)
        setOuterSizeTwips(*width, outerHeightTwips());
    if (const auto height = MainWindowLayout::outerHeightToAssign(clientHeight(), metrics);
        height && !sizeLocked)
        setOuterSizeTwips(outerWidthTwips(), *height);

    // The present sizes, so that one that cannot be applied stays as the widget shows it.
    MainWindowLayout::Geometry current;
    current.contentWidth = m_twips.toTwips(m_contentFrame->width());
    current.contentHeight = m_twips.toTwips(m_contentFrame->height());
    current.listWidth = m_twips.toTwips(m_torrentView->width());
    current.listHeight = m_twips.toTwips(m_torrentView->height());
    current.linkBoxWidth = m_twips.toTwips(m_linkEdit->width());
    const MainWindowLayout::Geometry g =
        MainWindowLayout::fitContent(clientWidth(), clientHeight(), current, metrics);

    const auto placeLine = [this](QFrame* line, float x1, float x2) {
        line->setGeometry(m_twips.toPixels(std::min(x1, x2)), line->y(),
                          m_twips.toPixels(std::fabs(x2 - x1)), 1);
    };
    placeLine(m_shadowLine, g.shadowLineLeft, g.shadowLineRight);
    placeLine(m_highlightLine, g.highlightLineLeft, g.highlightLineRight);
    m_contentFrame->resize(m_twips.toPixels(g.contentWidth), m_twips.toPixels(g.contentHeight));
    m_torrentView->resize(m_twips.toPixels(g.listWidth), m_twips.toPixels(g.listHeight));
    m_addButton->move(m_twips.toPixels(g.addButtonLeft), m_addButton->y());
    m_linkEdit->resize(m_twips.toPixels(g.linkBoxWidth), m_linkEdit->height());
    for (QToolButton* b : m_bulkButtons)
        b->move(b->x(), m_twips.toPixels(g.buttonRowTop));
}

} // namespace tavrin
