#include "gui/MainWindow.h"

#include "BuildInfo.h"
#include "core/layout/StoredWindowSize.h"
#include "core/links/InstanceChannel.h"
#include "core/links/LinkInbox.h"
#include "core/log/EventLog.h"
#include "core/platform/Prompter.h"
#include "core/platform/SleepWatch.h"
#include "core/session/ConnectionStatus.h"
#include "core/session/Reconnector.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/TorrentListModel.h"
#include "core/torrents/TorrentListUpdater.h"
#include "core/update/UpdateChecker.h"
#include "core/view/TorrentViewModel.h"
#include "core/watch/FinishNotifications.h"
#include "gui/AboutDialog.h"
#include "gui/ColumnChooserDialog.h"
#include "gui/LinkDrops.h"
#include "gui/ServersMenu.h"
#include "gui/TorrentItemDelegate.h"
#include "gui/TorrentMenu.h"
#include "gui/TrayIcon.h"
#include "gui/UpdateReportDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTreeView>

// The pictures live in the static library; they must be registered before first use.
static void initResources()
{
    Q_INIT_RESOURCE(tavrin);
}

namespace tavrin {

namespace {
// An [Options] switch that is off unless it reads "true".
bool isTrue(const SettingsStore& settings, const char* key)
{
    return settings.readIn(QStringLiteral("Options"), QLatin1String(key))
               .compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}
} // namespace

MainWindow::MainWindow(SettingsStore& settings, Prompter& prompter, const Clock& clock,
                       MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_prompter(prompter),
      m_log(std::make_unique<EventLog>(clock, prompter)), m_options(std::move(options)),
      m_profile(settings), m_savedServers(settings)
{
    initResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")));

    m_model = new TorrentListModel(this);
    m_view = new view::TorrentViewModel(*m_model, this);
    m_session =
        new Session(settings, *m_model, {m_options.chainDelayMs, m_options.deadlineMs}, this);
    m_updater = std::make_unique<TorrentListUpdater>(*m_model, m_profile.layout(), m_log.get());
    m_updater->setView(m_view);
    // Each reply's text in the log costs as much disk as the reply; the events stay either way.
    m_updater->setLogReplies(
        settings.readIn(QStringLiteral("Options"), QStringLiteral("LogReplies"))
            .compare(QLatin1String("false"), Qt::CaseInsensitive) != 0);
    m_updateChecker = new UpdateChecker(m_options.versionsUrl, m_options.updateTimeoutMs, this);
    connect(m_updateChecker, &UpdateChecker::runningChanged, this,
            [this](bool running) { m_prompter.setWaitPointer(running); });
    connect(m_updateChecker, &UpdateChecker::finished, this, &MainWindow::showUpdateOutcome);
    m_connectionStatus = new ConnectionStatus(*m_session, *m_model, clock, this);
    m_connectionStatus->setView(m_view);
    m_reconnector = new Reconnector(
        *m_session, clock, [this] { return m_ui.refreshEdit->text(); }, this);
    m_reconnector->setEnabled(isTrue(settings, "AutoReconnect"));
    m_pace = RefreshPace::read(settings);
    m_connectionStatus->setReconnector(m_reconnector);
    connect(new SleepWatch(QDBusConnection::systemBus(), this), &SleepWatch::woke, m_reconnector,
            &Reconnector::onWoke);
    m_notifications = new FinishNotifications(*m_model,
                                              CatchUpStore(m_options.catchUpFile.isEmpty()
                                                               ? CatchUpStore::defaultPath()
                                                               : m_options.catchUpFile),
                                              QDBusConnection::sessionBus(), clock, this);
    m_notifications->setEnabled(
        settings.readIn(QStringLiteral("Options"), QStringLiteral("Notifications"))
            .compare(QLatin1String("false"), Qt::CaseInsensitive) != 0);
    connect(m_notifications, &FinishNotifications::activated, this, &MainWindow::bringToFront);
    connect(m_notifications, &FinishNotifications::logEntry, this,
            [this](const QString& text) { m_log->writeLog(text); });
    connect(m_connectionStatus, &ConnectionStatus::changed, this, [this](const QString& text) {
        // Created at the first text: until Connect the window looks as it always has.
        ensureStatusBar();
        m_bar.connectionLabel->setText(text);
        // A narrow window cuts the line; the whole of it is a hover away.
        m_bar.connectionLabel->setToolTip(text);
        if (m_tray)
            m_tray->setToolTip(m_connectionStatus->summary());
    });

    m_ui.setup(*this);
    centralWidget()->installEventFilter(this);
    m_ui.torrentView->setModel(m_view);
    wireControls();
    createMenus();
    connectSession();
    startUp();
    listenForLinks();
}

void MainWindow::listenForLinks()
{
    if (m_options.linkChannel.isEmpty())
        return;
    auto* receiver = new links::LinkReceiver(this);
    connect(receiver, &links::LinkReceiver::linksReceived, this, [this](const QStringList& l) {
        m_log->writeLog(QStringLiteral("Links handed over by another start: %1").arg(l.size()));
        openLinks(l);
    });
    connect(receiver, &links::LinkReceiver::linkRefused, this, [this](const QString& reason) {
        m_log->writeLog(QStringLiteral("Link handed over and not added: ") + reason);
    });
    // The first Tavrin to run receives the links of later starts.
    if (!receiver->listen(m_options.linkChannel))
        m_log->writeLog(QStringLiteral("Links of later starts do not come here: ") +
                        receiver->error());
}

MainWindow::~MainWindow()
{
    m_settings.setFailureHandler({});
}

void MainWindow::wireControls()
{
    connect(m_ui.connectButton, &QPushButton::clicked, this, [this] {
        m_reconnector->cancel();
        m_session->connectToServer(m_ui.refreshEdit->text());
    });
    // Editing a field means the user is taking over: no try of its own meanwhile.
    for (QLineEdit* field : {m_ui.hostEdit, m_ui.portEdit, m_ui.uniqueIdEdit, m_ui.refreshEdit})
        connect(field, &QLineEdit::textEdited, m_reconnector, &Reconnector::cancel);
    connect(m_ui.addButton, &QPushButton::clicked, this, [this] {
        const QString link = m_ui.linkEdit->text();
        m_session->addLink(link);
        m_inbox->onAdded(link);
    });
    m_inbox = new LinkInbox(*m_session, this);

    connect(m_inbox, &LinkInbox::firstWaitingChanged, m_ui.linkEdit, &QLineEdit::setText);
    connect(m_inbox, &LinkInbox::waitingCountChanged, m_connectionStatus,
            &ConnectionStatus::setWaitingLinks);
    auto* drops = new LinkDrops(this);
    // The window as a whole takes drops too, so that a link can come before the list shows.
    drops->watch(centralWidget());
    drops->watch(m_ui.torrentView->viewport());
    drops->watch(m_ui.linkEdit);
    connect(drops, &LinkDrops::dropped, m_inbox, &LinkInbox::receive);
    connect(drops, &LinkDrops::refused, this, &MainWindow::showLinkRefusal);
    // Return in the box adds, as the button does; the window still has no default button.
    connect(m_ui.linkEdit, &QLineEdit::returnPressed, m_ui.addButton, &QPushButton::click);
    connect(m_ui.torrentView, &QWidget::customContextMenuRequested, this,
            &MainWindow::showContextMenu);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut =
            new QShortcut(keys, m_ui.torrentView, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, &MainWindow::showContextMenuForSelection);
    }
    QHeaderView* header = m_ui.torrentView->header();
    header->setSectionsClickable(true);
    header->setToolTip(tr("Click a column's header to sort by it; a third click "
                          "returns to the server's order"));
    connect(header, &QHeaderView::sectionClicked, this, &MainWindow::onHeaderClicked);
    // In the order the form places them.
    const QList<void (Session::*)()> bulkCommands = {&Session::startPauseAll,
                                                     &Session::startResumeAll, &Session::stopAll,
                                                     &Session::queueAll, &Session::deleteCompleted};
    for (qsizetype i = 0; i < bulkCommands.size(); ++i)
        connect(m_ui.bulkButtons.at(i), &QToolButton::clicked, m_session, bulkCommands.at(i));
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

    QMenu* actionMenu = menu("actionMenu", tr("Action"));
    m_switchVersionAction = item(actionMenu, "switchVersionAction", tr("Switch to Version"),
                                 &MainWindow::switchVersion);
    item(actionMenu, "changeColumnsAction", tr("Change Columns"), &MainWindow::changeColumns);
    // Asks for the list now instead of at the next tick; only while polling runs.
    item(actionMenu, "refreshNowAction", tr("Refresh Now"), [this] {
        m_session->refresh();
    })->setShortcut(QKeySequence(Qt::Key_F5));
    auto* focusFilter = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(focusFilter, &QShortcut::activated, this, [this] {
        if (!m_bar.filterEdit || !m_bar.filterEdit->isVisible())
            return;
        m_bar.filterEdit->setFocus(Qt::ShortcutFocusReason);
        m_bar.filterEdit->selectAll();
    });
    // Esc cancels a running chain, as the bar's Cancel does.
    m_cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelShortcut->setEnabled(false);
    connect(m_cancelShortcut, &QShortcut::activated, m_session, &Session::stopChain);
    auto* focusLink = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(focusLink, &QShortcut::activated, this, [this] {
        if (!m_ui.linkEdit->isVisible())
            return;
        m_ui.linkEdit->setFocus(Qt::ShortcutFocusReason);
        m_ui.linkEdit->selectAll();
    });
    m_serversMenu = new ServersMenu(
        m_savedServers, [this](QDialog& dialog) { runDialog(dialog); }, this);
    m_serversMenu->current = [this] {
        return SavedServer{{},
                           m_ui.hostEdit->text(),
                           m_ui.portEdit->text(),
                           m_ui.uniqueIdEdit->text(),
                           m_profile.isVersion3()};
    };
    connect(m_serversMenu, &ServersMenu::picked, this, &MainWindow::useSavedServer);
    actionMenu->addMenu(m_serversMenu);
    actionMenu->addSeparator()->setObjectName(QStringLiteral("separator"));
    item(actionMenu, "exitAction", tr("Exit"), &MainWindow::close);

    QMenu* optionsMenu = menu("optionsMenu", tr("Options"));
    const auto option = [&](const char* name, const QString& caption, const QString& key,
                            bool enabled, auto apply) {
        QAction* action = optionsMenu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        action->setChecked(enabled);
        connect(action, &QAction::toggled, this, [this, key, apply](bool on) {
            m_settings.writeIn(QStringLiteral("Options"), key,
                               on ? QStringLiteral("true") : QStringLiteral("false"));
            apply(on);
        });
        return action;
    };
    option("notificationsAction", tr("Notify When Downloads Finish"),
           QStringLiteral("Notifications"), m_notifications->isEnabled(),
           [this](bool on) { m_notifications->setEnabled(on); });
    option("autoReconnectAction", tr("Reconnect Automatically"), QStringLiteral("AutoReconnect"),
           m_reconnector->isEnabled(), [this](bool on) { m_reconnector->setEnabled(on); });
    option("logRepliesAction", tr("Log Every Reply"), QStringLiteral("LogReplies"),
           m_updater->logsReplies(), [this](bool on) { m_updater->setLogReplies(on); });
    optionsMenu->addSeparator();
    const bool trayWanted = isTrue(m_settings, "TrayIcon");
    m_closeToTray = isTrue(m_settings, "CloseToTray");
    QAction* tray = option("trayIconAction", tr("Show Tray Icon"), QStringLiteral("TrayIcon"),
                           trayWanted, [this](bool on) { setTrayShown(on); });
    QAction* closeToTray =
        option("closeToTrayAction", tr("Close to Tray"), QStringLiteral("CloseToTray"),
               m_closeToTray, [this](bool on) { m_closeToTray = on; });
    // Without a tray nothing of it applies.
    for (QAction* action : {tray, closeToTray}) {
        action->setEnabled(trayAvailable());
        if (!trayAvailable())
            action->setToolTip(tr("The desktop has no system tray"));
    }
    optionsMenu->setToolTipsVisible(true);
    setTrayShown(trayWanted);

    QMenu* helpMenu = menu("helpMenu", tr("Help"));
    item(helpMenu, "aboutAction", tr("About"), &MainWindow::showAbout);
    // One check at a time; the window stays usable while it waits.
    item(helpMenu, "checkVersionAction", tr("Check for new version"),
         [this] { m_updateChecker->start(); });

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
    // A file the settings cannot be read from is kept before a write replaces it.
    if (const QString kept = SettingsStore::keepDamagedFile(m_settings.fileName()); !kept.isEmpty())
        m_log->writeLog(QStringLiteral("The settings file could not be read; it was kept as ") +
                        kept);
    m_settings.setFailureHandler([this](const QString& message) { showSettingsTrouble(message); });

    m_profile.load();
    m_sort = view::SortChoice::read(m_settings, m_profile.isVersion3());
    m_switchVersionAction->setText(m_profile.switchCaption());
    m_connectionStatus->setServerVersion(m_profile.isVersion3() ? 3 : 2);
    showColumns();

    m_ui.hostEdit->setText(m_settings.read(keys::host, keys::defaultHost));
    m_ui.portEdit->setText(m_settings.read(keys::port, keys::defaultPort));
    m_ui.uniqueIdEdit->setText(m_settings.read(keys::uniqueId));
    m_ui.refreshEdit->setText(m_settings.read(keys::refreshSecs, keys::defaultRefreshSecs));

    setWindowTitle(QStringLiteral("Tavrin v") + build::versionString());

    m_ui.contentFrame->setEnabled(false);
    m_ui.contentFrame->setVisible(false);

    // A stored size that is not a whole number stops start-up there, the height after the width.
    StoredWindowSize stored = StoredWindowSize::read(m_settings);
    if (const QScreen* screen = this->screen(); screen && !screen->availableGeometry().isEmpty())
        stored.clampTo(m_ui.twips.toTwips(screen->availableGeometry().width()),
                       m_ui.twips.toTwips(screen->availableGeometry().height()));
    if (stored.width)
        m_ui.setOuterSizeTwips(*this, *stored.width, m_ui.outerHeightTwips(*this));
    if (stored.height)
        m_ui.setOuterSizeTwips(*this, m_ui.outerWidthTwips(*this), *stored.height);
    if (!stored.error.isEmpty())
        m_session->report(stored.error, MessageStyle::Critical, QStringLiteral("ERROR"),
                          Session::Logging::Skip);
}

void MainWindow::openLinks(const QStringList& links)
{
    m_inbox->receive(links);
    bringToFront();
}

bool MainWindow::trayAvailable() const
{
    return m_options.trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void MainWindow::setTrayShown(bool shown)
{
    if (shown == (m_tray != nullptr) || (shown && !trayAvailable()))
        return;
    if (!shown) {
        delete m_tray;
        m_tray = nullptr;
        if (m_hiddenInTray)
            bringToFront();
        return;
    }
    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::showRequested, this, &MainWindow::bringToFront);
    connect(m_tray, &TrayIcon::pauseAllRequested, m_session, &Session::startPauseAll);
    connect(m_tray, &TrayIcon::resumeAllRequested, m_session, &Session::startResumeAll);
    connect(m_tray, &TrayIcon::quitRequested, this, &MainWindow::quit);
    m_tray->setCommandsEnabled(m_session->fieldsLocked());
    m_tray->setToolTip(m_connectionStatus->summary());
    m_tray->show();
}

void MainWindow::quit()
{
    m_quitting = true;
    close();
}

void MainWindow::updatePace()
{
    m_session->setBackgroundInterval(m_pace.backgroundIntervalMs(m_hiddenInTray, isMinimized()));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    m_hiddenInTray = false;
    updatePace();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        updatePace();
}

void MainWindow::bringToFront()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::showLinkRefusal(const QString& reason)
{
    const QString text = tr("Link not added: ") + reason;
    m_log->writeLog(text);
    if (!m_bar.connectionLabel) {
        m_prompter.showNotice(text, QStringLiteral("Tavrin"));
        return;
    }
    m_bar.showLinkNotice(text);
}

void MainWindow::showSettingsTrouble(const QString& message)
{
    // Told once and without a box: the user may go on, the changes last until Tavrin ends.
    m_log->writeLog(message);
    setWindowTitle(QStringLiteral("Tavrin v") + build::versionString() +
                   QStringLiteral(" (settings cannot be saved)"));
    setToolTip(message);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Kept running in the tray: polling slows, notifications still come.
    if (m_tray && m_closeToTray && !m_quitting) {
        hide();
        m_hiddenInTray = true;
        updatePace();
        event->ignore();
        return;
    }
    StoredWindowSize::write(m_settings, m_ui.outerWidthTwips(*this), m_ui.outerHeightTwips(*this));
    m_notifications->remember();
    m_session->shutDown();
    event->accept();
}

void MainWindow::connectSession()
{
    // Every request reads the connection fields as they stand.
    connect(m_ui.hostEdit, &QLineEdit::textChanged, m_session, &Session::setHost);
    connect(m_ui.portEdit, &QLineEdit::textChanged, m_session, &Session::setPort);
    connect(m_ui.uniqueIdEdit, &QLineEdit::textChanged, m_session, &Session::setUniqueId);
    connect(m_session, &Session::statusReplyArrived, this, &MainWindow::applyStatusReply);
    connect(m_session, &Session::fieldsLockedChanged, this, &MainWindow::setFieldsLocked);
    connect(m_session, &Session::listAreaShown, this, [this] {
        m_ui.contentFrame->setEnabled(true);
        m_ui.contentFrame->setVisible(true);
        ensureStatusBar();
        m_bar.showFilters();
    });
    connect(m_updater.get(), &TorrentListUpdater::aboutToApply, this,
            [this] { m_selectedBeforeReply = selectedTorrent(); });
    connect(m_updater.get(), &TorrentListUpdater::applied, this, &MainWindow::onReplyApplied);
    connect(m_session, &Session::stateChanged, this, [this](Session::State state) {
        if (state != Session::State::Polling) {
            // A reply still being taken in belongs to the connection that ended.
            m_updater->cancel();
            return;
        }
        m_versionNoticeGiven = false;
        m_notifications->startServer(
            {m_ui.hostEdit->text(), m_ui.portEdit->text(), m_profile.isVersion3() ? 3 : 2});
    });
    connect(m_session, &Session::chainStep, this, [this] {
        ensureStatusBar();
        m_bar.cancelButton->show();
        m_cancelShortcut->setEnabled(true);
    });
    connect(m_session, &Session::chainEnded, this, [this] {
        m_cancelShortcut->setEnabled(false);
        if (m_bar.cancelButton)
            m_bar.cancelButton->hide();
    });
    connect(m_session, &Session::busyChanged, this,
            [this](bool busy) { m_prompter.setWaitPointer(busy); });
    // The box shows the start of outside text; the log keeps the whole of it.
    connect(m_session, &Session::logEntry, this,
            [this](const QString& text) { m_log->writeLog(text); });
    connect(m_session, &Session::message, this,
            [this](const QString& text, MessageStyle style, const QString& title) {
                m_prompter.showMessage(text, style, title);
            });
}

void MainWindow::useSavedServer(const SavedServer& server)
{
    if (m_session->fieldsLocked())
        return;
    m_ui.hostEdit->setText(server.host);
    m_ui.portEdit->setText(server.port);
    m_ui.uniqueIdEdit->setText(server.uniqueId);
    if (server.version3 != m_profile.isVersion3())
        switchVersion();
}

void MainWindow::setFieldsLocked(bool locked)
{
    if (m_tray)
        m_tray->setCommandsEnabled(locked);
    m_serversMenu->setPickingEnabled(!locked);
    for (QWidget* field :
         {static_cast<QWidget*>(m_ui.hostEdit), static_cast<QWidget*>(m_ui.portEdit),
          static_cast<QWidget*>(m_ui.uniqueIdEdit), static_cast<QWidget*>(m_ui.connectButton)})
        field->setEnabled(!locked);
}

void MainWindow::showColumns()
{
    const QList<columns::ColumnHeader> headers = m_profile.headers();
    QStringList captions;
    for (const columns::ColumnHeader& header : headers)
        captions.append(header.caption);
    // Setting the columns also empties the rows; the next status reply fills them again.
    m_model->setColumns(captions);
    for (qsizetype i = 0; i < headers.size(); ++i)
        m_ui.torrentView->header()->resizeSection(static_cast<int>(i),
                                                  m_ui.twips.toPixels(headers.at(i).widthTwips));
    if (auto* delegate = qobject_cast<TorrentItemDelegate*>(m_ui.torrentView->itemDelegate()))
        delegate->setProgressColumn(static_cast<int>(captions.indexOf(QStringLiteral("Progress"))));
    applySort();
}

void MainWindow::applySort()
{
    const int column =
        m_sort.isSorted() ? static_cast<int>(m_model->columns().indexOf(m_sort.columnKey)) : -1;
    QHeaderView* header = m_ui.torrentView->header();
    if (column < 0) {
        m_view->setSort(-1, Qt::AscendingOrder);
        header->setSortIndicatorShown(false);
        return;
    }
    m_view->setSort(column, m_sort.order);
    header->setSortIndicator(column, m_sort.order);
    header->setSortIndicatorShown(true);
}

void MainWindow::onHeaderClicked(int section)
{
    const QString key = m_model->columns().value(section);
    if (key.isEmpty())
        return;
    // A stored choice whose column is not shown counts as none.
    const view::SortChoice current = m_view->sortColumn() >= 0 ? m_sort : view::SortChoice{};
    m_sort = current.next(key);
    m_sort.store(m_settings, m_profile.isVersion3());
    applySort();
}

void MainWindow::ensureStatusBar()
{
    if (m_bar.connectionLabel)
        return;
    m_bar.setup(*statusBar());
    connect(m_bar.filterEdit, &QLineEdit::textChanged, this, &MainWindow::applyFilter);
    connect(m_bar.statusCombo, &QComboBox::currentIndexChanged, this, &MainWindow::applyFilter);
    m_bar.filterEdit->installEventFilter(this);
    connect(m_bar.cancelButton, &QPushButton::clicked, m_session, &Session::stopChain);
    connect(m_bar.switchButton, &QPushButton::clicked, this, [this] {
        m_bar.noticeLabel->hide();
        m_bar.switchButton->hide();
        switchVersion();
    });
}

void MainWindow::applyFilter()
{
    m_view->setFilter({m_bar.filterEdit->text(), static_cast<view::StatusFilter>(std::max(
                                                     0, m_bar.statusCombo->currentIndex()))});
}

void MainWindow::checkServerVersion(const QByteArray& reply)
{
    if (m_versionNoticeGiven)
        return;
    const std::optional<int> suggested = m_profile.versionTheRowsSuggest(reply);
    if (!suggested)
        return;
    // Told once per connection and without a box; the rows are still read as the user chose.
    m_versionNoticeGiven = true;
    ensureStatusBar();
    m_bar.noticeLabel->setText(tr("The server sends Kestrun %1 rows:").arg(*suggested));
    m_bar.switchButton->setText(tr("Switch to Version %1").arg(*suggested));
    m_bar.noticeLabel->show();
    m_bar.switchButton->show();
}

void MainWindow::switchVersion()
{
    m_profile.switchVersion();
    m_sort = view::SortChoice::read(m_settings, m_profile.isVersion3());
    if (m_bar.noticeLabel) {
        m_bar.noticeLabel->hide();
        m_bar.switchButton->hide();
    }
    m_switchVersionAction->setText(m_profile.switchCaption());
    m_connectionStatus->setServerVersion(m_profile.isVersion3() ? 3 : 2);
    showColumns();
}

void MainWindow::changeColumns()
{
    // No owner: the dialog is a window of its own, modal over the whole program.
    ColumnChooserDialog dialog;
    dialog.setLayouts(&m_profile.layout(), &m_profile.defaultLayout());
    dialog.exec();
    if (dialog.wasCancelled())
        return;
    m_profile.storeLayout();
    showColumns();
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

void MainWindow::showUpdateOutcome(const UpdateOutcome& outcome)
{
    switch (outcome.kind) {
    case UpdateOutcome::Kind::Latest:
        m_session->report(tr("You are currently running the latest version of Tavrin"),
                          MessageStyle::Plain, tr("Check Version"), Session::Logging::Skip);
        break;
    case UpdateOutcome::Kind::Failure:
        m_session->report(outcome.text, MessageStyle::Critical, QStringLiteral("ERROR"),
                          Session::Logging::Skip);
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
    const QModelIndex hit = m_ui.torrentView->indexAt(pos);
    if (!hit.isValid())
        return;
    // The clicked position is where the row is shown; the torrent is the list's item there.
    const int shown = TorrentListModel::positionOf(hit);
    const int position = m_view->listPosition(shown);
    if (position < 1)
        return;
    m_updater->setClickedPosition(shown);
    m_torrentMenu->prepare(m_session->statusAt(position), m_session->priorityAt(position),
                           m_profile.isVersion3());
    m_ui.torrentView->selectionModel()->select(hit, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    m_ui.torrentView->selectionModel()->setCurrentIndex(hit, QItemSelectionModel::NoUpdate);
    // The commands act on this torrent even if a refresh moves the selection meanwhile.
    m_contextTorrent = m_model->torrentId(position);
    m_torrentMenu->popup(m_ui.torrentView->viewport()->mapToGlobal(pos));
}

void MainWindow::showContextMenuForSelection()
{
    const QModelIndexList rows = m_ui.torrentView->selectionModel()->selectedRows();
    const QModelIndex row = rows.isEmpty() ? m_ui.torrentView->currentIndex() : rows.first();
    if (!row.isValid())
        return;
    m_ui.torrentView->scrollTo(row);
    showContextMenu(m_ui.torrentView->visualRect(m_view->index(row.row(), 0)).center());
}

std::optional<QByteArray> MainWindow::selectedTorrent() const
{
    const QModelIndexList rows = m_ui.torrentView->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    const int position = m_view->listPosition(TorrentListModel::positionOf(rows.first()));
    if (position < 1)
        return std::nullopt;
    return m_model->torrentId(position);
}

void MainWindow::applyStatusReply(const QByteArray& reply)
{
    checkServerVersion(reply);
    // Read, split and compared off this thread; onReplyApplied follows.
    m_updater->submit(reply);
}

void MainWindow::onReplyApplied(const TorrentListUpdater::Result& result)
{
    const std::optional<QByteArray> selectedBefore = std::exchange(m_selectedBeforeReply, {});
    if (!result.error.isEmpty()) {
        // The processor has logged it; a server that keeps sending a bad row gets one box.
        m_session->report(result.error, MessageStyle::Plain, {}, Session::Logging::Skip);
        return;
    }
    QItemSelectionModel* selection = m_ui.torrentView->selectionModel();
    if (result.selectPosition > 0) {
        selection->select(m_view->index(result.selectPosition - 1, 0),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else if (const auto now = selectedTorrent(); now && now != selectedBefore) {
        // The view moves the selection to a neighbour when the selected item goes; the list
        // selects nothing on its own.
        selection->clearSelection();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        m_ui.applyLayout(*this);
    // Esc in the filter clears it; a running chain's Esc goes first, as a shortcut.
    if (watched == m_bar.filterEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        !m_bar.filterEdit->text().isEmpty()) {
        m_bar.filterEdit->clear();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    m_ui.applyLayout(*this);
}

} // namespace tavrin
