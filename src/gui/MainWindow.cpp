#include "gui/MainWindow.h"

#include "BuildInfo.h"
#include "core/layout/StoredWindowSize.h"
#include "core/log/EventLog.h"
#include "core/platform/Prompter.h"
#include "core/platform/SleepWatch.h"
#include "core/session/ConnectionStatus.h"
#include "core/session/Reconnector.h"
#include "core/settings/OptionSwitch.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/TorrentViewModel.h"
#include "core/watch/FinishNotifications.h"
#include "gui/ColumnChooserDialog.h"
#include "gui/HelpMenu.h"
#include "gui/LinkIntake.h"
#include "gui/OptionItem.h"
#include "gui/ServersMenu.h"
#include "gui/TorrentListPane.h"
#include "gui/WindowPresence.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTreeView>

// The pictures live in the static library; they must be registered before first use.
static void initResources()
{
    Q_INIT_RESOURCE(tavrin);
}

namespace tavrin {

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
    m_updater->setLogReplies(options::logReplies.isOn(settings));
    m_connectionStatus = new ConnectionStatus(*m_session, *m_model, clock, this);
    m_connectionStatus->setView(m_view);
    m_reconnector = new Reconnector(
        *m_session, clock, [this] { return m_ui.refreshEdit->text(); }, this);
    m_reconnector->setEnabled(options::autoReconnect.isOn(settings));
    m_connectionStatus->setReconnector(m_reconnector);
    connect(new SleepWatch(QDBusConnection::systemBus(), this), &SleepWatch::woke, m_reconnector,
            &Reconnector::onWoke);
    m_notifications = new FinishNotifications(*m_model,
                                              CatchUpStore(m_options.catchUpFile.isEmpty()
                                                               ? CatchUpStore::defaultPath()
                                                               : m_options.catchUpFile),
                                              QDBusConnection::sessionBus(), clock, this);
    m_notifications->setEnabled(options::notifications.isOn(settings));
    connect(m_notifications, &FinishNotifications::logEntry, this,
            [this](const QString& text) { m_log->writeLog(text); });
    m_presence = new WindowPresence(
        *this, *m_session, settings,
        m_options.trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable()));
    m_presence->setToolTip(m_connectionStatus->summary());
    connect(m_notifications, &FinishNotifications::activated, m_presence,
            &WindowPresence::bringToFront);
    m_bar = new StatusBarControls(*this);
    connect(m_bar, &StatusBarControls::switchVersionRequested, this, &MainWindow::switchVersion);
    connect(m_bar, &StatusBarControls::cancelRequested, m_session, &Session::stopChain);
    connect(m_connectionStatus, &ConnectionStatus::changed, this, [this](const QString& text) {
        m_bar->setConnectionText(text);
        m_presence->setToolTip(m_connectionStatus->summary());
    });

    m_ui.setup(*this);
    centralWidget()->installEventFilter(this);
    m_ui.torrentView->setModel(m_view);
    m_list = new TorrentListPane({*m_ui.torrentView, *m_model, *m_view, *m_updater, *m_session,
                                  m_profile, settings, m_ui.twips},
                                 this);
    connect(m_bar, &StatusBarControls::filterChanged, m_list, &TorrentListPane::setFilter);
    connect(m_list, &TorrentListPane::otherVersionSent, m_bar,
            &StatusBarControls::showVersionNotice);
    wireControls();
    createMenus();
    connectSession();
    startUp();
    m_links->listen(m_options.linkChannel);
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
    // The window as a whole takes drops too, so that a link can come before the list shows.
    m_links = new LinkIntake({*m_ui.linkEdit,
                              *m_ui.addButton,
                              {centralWidget(), m_ui.torrentView->viewport()},
                              *m_session,
                              *m_log,
                              m_prompter,
                              *m_bar,
                              *m_connectionStatus},
                             this);
    connect(m_links, &LinkIntake::arrivedFromOutside, m_presence, &WindowPresence::bringToFront);
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
    addOptionItem(*optionsMenu, m_settings, options::notifications, "notificationsAction",
                  tr("Notify When Downloads Finish"),
                  [this](bool on) { m_notifications->setEnabled(on); });
    addOptionItem(*optionsMenu, m_settings, options::autoReconnect, "autoReconnectAction",
                  tr("Reconnect Automatically"),
                  [this](bool on) { m_reconnector->setEnabled(on); });
    addOptionItem(*optionsMenu, m_settings, options::logReplies, "logRepliesAction",
                  tr("Log Every Reply"), [this](bool on) { m_updater->setLogReplies(on); });
    optionsMenu->addSeparator();
    m_presence->addMenuItems(*optionsMenu);

    menuBar()->addMenu(new HelpMenu(*m_session, m_prompter,
                                    {m_options.versionsUrl, m_options.updateTimeoutMs,
                                     [this](QDialog& dialog) { runDialog(dialog); }},
                                    this));
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
    m_switchVersionAction->setText(m_profile.switchCaption());
    m_connectionStatus->setServerVersion(m_profile.isVersion3() ? 3 : 2);
    m_list->showProfile();

    m_ui.hostEdit->setText(m_settings.read(keys::host, keys::defaultHost));
    m_ui.portEdit->setText(m_settings.read(keys::port, keys::defaultPort));
    m_ui.uniqueIdEdit->setText(m_settings.read(keys::uniqueId));
    m_ui.refreshEdit->setText(m_settings.read(keys::refreshSecs, keys::defaultRefreshSecs));

    setWindowTitle(QStringLiteral("Tavrin v") + build::versionString());

    m_ui.contentFrame->setEnabled(false);
    m_ui.contentFrame->setVisible(false);

    if (const QString error = m_ui.restoreSize(*this, m_settings); !error.isEmpty())
        m_session->report(error, MessageStyle::Critical, QStringLiteral("ERROR"),
                          Session::Logging::Skip);
}

void MainWindow::openLinks(const QStringList& links)
{
    m_links->receive(links);
}

void MainWindow::quit()
{
    m_presence->quit();
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
    connect(m_session, &Session::fieldsLockedChanged, this, &MainWindow::setFieldsLocked);
    connect(m_session, &Session::listAreaShown, this, [this] {
        m_ui.contentFrame->setEnabled(true);
        m_ui.contentFrame->setVisible(true);
        m_bar->showFilters();
    });
    connect(m_session, &Session::stateChanged, this, [this](Session::State state) {
        if (state != Session::State::Polling)
            return;
        m_notifications->startServer(
            {m_ui.hostEdit->text(), m_ui.portEdit->text(), m_profile.isVersion3() ? 3 : 2});
    });
    connect(m_session, &Session::chainStep, this, [this] { m_bar->setChainRunning(true); });
    connect(m_session, &Session::chainEnded, this, [this] { m_bar->setChainRunning(false); });
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
    m_presence->setCommandsEnabled(locked);
    m_serversMenu->setPickingEnabled(!locked);
    for (QWidget* field :
         {static_cast<QWidget*>(m_ui.hostEdit), static_cast<QWidget*>(m_ui.portEdit),
          static_cast<QWidget*>(m_ui.uniqueIdEdit), static_cast<QWidget*>(m_ui.connectButton)})
        field->setEnabled(!locked);
}

void MainWindow::switchVersion()
{
    m_profile.switchVersion();
    m_bar->hideVersionNotice();
    m_switchVersionAction->setText(m_profile.switchCaption());
    m_connectionStatus->setServerVersion(m_profile.isVersion3() ? 3 : 2);
    m_list->showProfile();
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
    m_list->showColumns();
}

void MainWindow::runDialog(QDialog& dialog)
{
    if (m_options.runModal)
        m_options.runModal(dialog);
    else
        dialog.exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        m_ui.applyLayout(*this);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    m_ui.applyLayout(*this);
}

} // namespace tavrin
