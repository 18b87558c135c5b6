#include "gui/MainWindow.h"

#include "BuildInfo.h"
#include "core/layout/StoredWindowSize.h"
#include "core/log/EventLog.h"
#include "core/platform/Prompter.h"
#include "core/session/ConnectionStatus.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/TorrentListModel.h"
#include "core/torrents/TorrentListUpdater.h"
#include "core/update/UpdateChecker.h"
#include "gui/AboutDialog.h"
#include "gui/ColumnChooserDialog.h"
#include "gui/TorrentMenu.h"
#include "gui/UpdateReportDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
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
      m_profile(settings)
{
    initResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")));

    m_model = new TorrentListModel(this);
    m_session =
        new Session(settings, *m_model, {m_options.chainDelayMs, m_options.deadlineMs}, this);
    m_updater = std::make_unique<TorrentListUpdater>(*m_model, m_profile.layout(), m_log.get());
    m_updateChecker = new UpdateChecker(m_options.versionsUrl, m_options.updateTimeoutMs, this);
    connect(m_updateChecker, &UpdateChecker::runningChanged, this,
            [this](bool running) { m_prompter.setWaitPointer(running); });
    connect(m_updateChecker, &UpdateChecker::finished, this, &MainWindow::showUpdateOutcome);
    m_connectionStatus = new ConnectionStatus(*m_session, *m_model, clock, this);
    connect(m_connectionStatus, &ConnectionStatus::changed, this, [this](const QString& text) {
        // Created at the first text: until Connect the window looks as it always has.
        statusBar()->setObjectName(QStringLiteral("statusBar"));
        statusBar()->showMessage(text);
    });

    m_ui.setup(*this);
    centralWidget()->installEventFilter(this);
    m_ui.torrentView->setModel(m_model);
    wireControls();
    createMenus();
    connectSession();
    startUp();
}

MainWindow::~MainWindow()
{
    m_settings.setFailureHandler({});
}

void MainWindow::wireControls()
{
    connect(m_ui.connectButton, &QPushButton::clicked, this,
            [this] { m_session->connectToServer(m_ui.refreshEdit->text()); });
    connect(m_ui.addButton, &QPushButton::clicked, this,
            [this] { m_session->addLink(m_ui.linkEdit->text()); });
    // Return in the box adds, as the button does; the window still has no default button.
    connect(m_ui.linkEdit, &QLineEdit::returnPressed, m_ui.addButton, &QPushButton::click);
    connect(m_ui.torrentView, &QWidget::customContextMenuRequested, this,
            &MainWindow::showContextMenu);
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

    QMenu* actionMenu = menu("actionMenu", QStringLiteral("Action"));
    m_switchVersionAction = item(actionMenu, "switchVersionAction",
                                 QStringLiteral("Switch to Version"), &MainWindow::switchVersion);
    item(actionMenu, "changeColumnsAction", QStringLiteral("Change Columns"),
         &MainWindow::changeColumns);
    // Asks for the list now instead of at the next tick; only while polling runs.
    item(actionMenu, "refreshNowAction", QStringLiteral("Refresh Now"), [this] {
        m_session->refresh();
    })->setShortcut(QKeySequence(Qt::Key_F5));
    auto* focusLink = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(focusLink, &QShortcut::activated, this, [this] {
        if (!m_ui.linkEdit->isVisible())
            return;
        m_ui.linkEdit->setFocus(Qt::ShortcutFocusReason);
        m_ui.linkEdit->selectAll();
    });
    actionMenu->addSeparator()->setObjectName(QStringLiteral("separator"));
    item(actionMenu, "exitAction", QStringLiteral("Exit"), &MainWindow::close);

    QMenu* helpMenu = menu("helpMenu", QStringLiteral("Help"));
    item(helpMenu, "aboutAction", QStringLiteral("About"), &MainWindow::showAbout);
    // One check at a time; the window stays usable while it waits.
    item(helpMenu, "checkVersionAction", QStringLiteral("Check for new version"),
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

void MainWindow::setFieldsLocked(bool locked)
{
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
}

void MainWindow::switchVersion()
{
    m_profile.switchVersion();
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
        m_session->report(QStringLiteral("You are currently running the latest version of Tavrin"),
                          MessageStyle::Plain, QStringLiteral("Check Version"),
                          Session::Logging::Skip);
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
    const int position = TorrentListModel::positionOf(hit);
    m_updater->setClickedPosition(position);
    m_torrentMenu->prepare(m_session->statusAt(position), m_session->priorityAt(position),
                           m_profile.isVersion3());
    m_ui.torrentView->selectionModel()->select(hit, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
    m_ui.torrentView->selectionModel()->setCurrentIndex(hit, QItemSelectionModel::NoUpdate);
    // The commands act on this torrent even if a refresh moves the selection meanwhile.
    m_contextTorrent = m_model->torrentId(position);
    m_torrentMenu->popup(m_ui.torrentView->viewport()->mapToGlobal(pos));
}

std::optional<QByteArray> MainWindow::selectedTorrent() const
{
    const QModelIndexList rows = m_ui.torrentView->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_model->torrentId(TorrentListModel::positionOf(rows.first()));
}

void MainWindow::applyStatusReply(const QByteArray& reply)
{
    const std::optional<QByteArray> selectedBefore = selectedTorrent();
    const TorrentListUpdater::Result result = m_updater->apply(reply);
    if (!result.error.isEmpty()) {
        // The processor has logged it; a server that keeps sending a bad row gets one box.
        m_session->report(result.error, MessageStyle::Plain, {}, Session::Logging::Skip);
        return;
    }
    QItemSelectionModel* selection = m_ui.torrentView->selectionModel();
    if (result.selectPosition > 0) {
        selection->select(m_model->itemIndex(result.selectPosition),
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
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    m_ui.applyLayout(*this);
}

} // namespace tavrin
