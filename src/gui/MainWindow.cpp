#include "gui/MainWindow.h"

#include "BuildInfo.h"
#include "core/columns/ColumnLayout.h"
#include "core/log/EventLog.h"
#include "core/net/WireProtocol.h"
#include "core/platform/Numbers.h"
#include "core/platform/Prompter.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/TorrentListModel.h"
#include "gui/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QScreen>
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
      m_log(std::make_unique<EventLog>(clock, prompter)), m_options(std::move(options))
{
    initResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tavrin v1.1"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tavrin.svg")));
    if (const QScreen* screen = this->screen())
        m_dpi = screen->logicalDotsPerInch();

    Inet1 = new QNetworkAccessManager(this);
    Inet1->setObjectName(QStringLiteral("Inet1"));
    m_model = new TorrentListModel(this);
    m_session =
        new Session(settings, *m_model, {m_options.chainDelayMs, m_options.deadlineMs}, this);

    createControls();
    createMenus();
    connectSession();

    startUp();
}

MainWindow::~MainWindow() = default;

QString MainWindow::versionString()
{
    return QStringLiteral("%1.%2.%3")
        .arg(build::versionMajor)
        .arg(build::versionMinor)
        .arg(build::versionPatch);
}

int MainWindow::toPixels(double twips) const
{
    return twips::toPixels(twips, m_dpi);
}

float MainWindow::toTwips(int pixels) const
{
    return twips::fromPixels(pixels, m_dpi);
}

float MainWindow::outerWidthTwips() const
{
    return toTwips(frameGeometry().width());
}

float MainWindow::outerHeightTwips() const
{
    return toTwips(frameGeometry().height());
}

void MainWindow::setOuterSizeTwips(float width, float height)
{
    // The frame is what the window system adds around the client; unknown before showing.
    const QSize frame = frameGeometry().size() - size();
    resize(std::max(0, toPixels(width) - frame.width()),
           std::max(0, toPixels(height) - frame.height()));
}

void MainWindow::createControls()
{
    // The design's geometry was laid out for an 8-point dialog font.
    QFont designFont = font();
    designFont.setPointSizeF(8);
    setFont(designFont);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    const auto place = [this](QWidget* w, double left, double top, double width, double height) {
        w->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    };
    const auto label = [&](QWidget* parent, const char* name, const QString& caption) {
        auto* l = new QLabel(caption, parent);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    // A caption wider than its designed box may use the space up to its text box, never clip.
    const auto fitCaption = [](QLabel* l, QWidget* next) {
        const int room = next->x() - l->x();
        l->resize(std::max(l->width(), std::min(room, l->sizeHint().width())), l->height());
    };
    const auto textBox = [&](QWidget* parent, const char* name, QLabel* caption) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QLatin1String(name));
        caption->setBuddy(e);
        e->setAccessibleName(caption->text());
        return e;
    };
    const auto line = [&](const char* name, const QColor& colour) {
        auto* l = new QFrame(client);
        l->setObjectName(QLatin1String(name));
        l->setAutoFillBackground(true);
        QPalette palette = l->palette();
        palette.setColor(QPalette::Window, colour);
        l->setPalette(palette);
        return l;
    };

    Label1 = label(client, "Label1", QStringLiteral("Host:"));
    txtHost = textBox(client, "txtHost", Label1);
    txtHost->setText(QStringLiteral("localhost"));
    t = label(client, "t", QStringLiteral("Port:"));
    txtPort = textBox(client, "txtPort", t);
    txtPort->setText(QStringLiteral("56667"));
    Label2 = label(client, "Label2", QStringLiteral("Unique ID:"));
    txtUniqueID = textBox(client, "txtUniqueID", Label2);
    Label3 = label(client, "Label3", QStringLiteral("Refresh (secs):"));
    txtRefreshSecs = textBox(client, "txtRefreshSecs", Label3);
    cmdConnect = new QPushButton(QStringLiteral("Connect"), client);
    cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
    cmdConnect->setAutoDefault(false);

    place(Label1, 120, 120, 855, 255);
    place(txtHost, 1080, 120, 2535, 285);
    place(t, 120, 480, 855, 255);
    place(txtPort, 1080, 480, 2535, 285);
    place(Label2, 3840, 120, 855, 255);
    place(txtUniqueID, 5040, 120, 2535, 285);
    place(Label3, 3840, 480, 1215, 255);
    place(txtRefreshSecs, 5040, 480, 855, 285);
    place(cmdConnect, 7920, 120, 1095, 375);
    fitCaption(Label1, txtHost);
    fitCaption(t, txtPort);
    fitCaption(Label2, txtUniqueID);
    fitCaption(Label3, txtRefreshSecs);

    Line1 = line("Line1", QColor(0xC0, 0xC0, 0xC0));
    Line1->setGeometry(0, 0, toPixels(10320), 1);
    Line2 = line("Line2", Qt::white);
    Line2->setGeometry(toPixels(6600), toPixels(10), toPixels(9840 - 6600), 1);

    fraMain = new QFrame(client);
    fraMain->setObjectName(QStringLiteral("fraMain"));
    fraMain->setFrameShape(QFrame::NoFrame);
    place(fraMain, 0, 1080, 10215, 5415);

    Label4 = label(fraMain, "Label4", QStringLiteral("Add Link:"));
    txtAddLink = textBox(fraMain, "txtAddLink", Label4);
    cmdAddLink = new QPushButton(QStringLiteral("Add"), fraMain);
    cmdAddLink->setObjectName(QStringLiteral("cmdAddLink"));
    cmdAddLink->setAutoDefault(false);
    place(Label4, 120, 130, 855, 255);
    place(txtAddLink, 960, 120, 6735, 285);
    place(cmdAddLink, 7800, 120, 735, 255);
    fitCaption(Label4, txtAddLink);

    lv = new QTreeView(fraMain);
    lv->setObjectName(QStringLiteral("lv"));
    lv->setAccessibleName(QStringLiteral("Torrents"));
    lv->setRootIsDecorated(false);
    lv->setUniformRowHeights(true);
    lv->setItemsExpandable(false);
    lv->setAllColumnsShowFocus(true);
    lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->setContextMenuPolicy(Qt::NoContextMenu);
    lv->header()->setStretchLastSection(false);
    lv->header()->setSectionsMovable(false);
    lv->header()->setDefaultSectionSize(toPixels(columns::standardWidthTwips));
    lv->setModel(m_model);
    lv->viewport()->installEventFilter(this);
    place(lv, 120, 600, 9975, 4095);

    const auto pictureButton = [&](QToolButton*& button, const char* name, const QString& tip,
                                   const QString& icon, double left) {
        button = new QToolButton(fraMain);
        button->setObjectName(QLatin1String(name));
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        button->setIcon(QIcon(icon));
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::StrongFocus);
        place(button, left, 4800, 495, 495);
    };
    pictureButton(cmdPauseAll, "cmdPauseAll", QStringLiteral("Pause All"),
                  QStringLiteral(":/icons/pause-all.svg"), 120);
    pictureButton(cmdUnPauseAll, "cmdUnPauseAll", QStringLiteral("UnPause All"),
                  QStringLiteral(":/icons/unpause-all.svg"), 720);
    pictureButton(cmdStopAll, "cmdStopAll", QStringLiteral("Stop All"),
                  QStringLiteral(":/icons/stop-all.svg"), 1320);
    pictureButton(cmdQueueAll, "cmdQueueAll", QStringLiteral("Queue All"),
                  QStringLiteral(":/icons/queue-all.svg"), 1920);
    pictureButton(cmdDeleteCompleted, "cmdDeleteCompleted", QStringLiteral("Delete Completed"),
                  QStringLiteral(":/icons/delete-completed.svg"), 2520);

    // The designed keyboard order.
    const QList<QWidget*> tabOrder = {
        cmdConnect,  txtHost,        txtPort,       txtUniqueID,        lv,
        cmdPauseAll, txtRefreshSecs, cmdUnPauseAll, cmdDeleteCompleted, txtAddLink,
        cmdAddLink,  cmdStopAll,     cmdQueueAll};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));
    cmdConnect->setFocus();

    connect(cmdConnect, &QPushButton::clicked, this, &MainWindow::onConnectClicked);
    connect(cmdAddLink, &QPushButton::clicked, this,
            [this] { m_session->addLink(txtAddLink->text()); });
    connect(cmdPauseAll, &QToolButton::clicked, m_session, &Session::startPauseAll);
    connect(cmdUnPauseAll, &QToolButton::clicked, m_session, &Session::startResumeAll);
    connect(cmdStopAll, &QToolButton::clicked, m_session, &Session::stopAll);
    connect(cmdQueueAll, &QToolButton::clicked, m_session, &Session::queueAll);
    connect(cmdDeleteCompleted, &QToolButton::clicked, m_session, &Session::deleteCompleted);

    // The client area as designed; start-up then restores the stored outer size.
    resize(toPixels(10275), toPixels(6615) + menuBar()->sizeHint().height());
}

void MainWindow::createMenus()
{
    const auto item = [this](QMenu* parent, const char* name, const QString& caption) {
        QAction* action = parent->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };

    mnuAction = menuBar()->addMenu(QStringLiteral("Action"));
    mnuAction->setObjectName(QStringLiteral("mnuAction"));
    mnuSwitchVersion = item(mnuAction, "mnuSwitchVersion", QStringLiteral("Switch to Version"));
    mnuChangeColumns = item(mnuAction, "mnuChangeColumns", QStringLiteral("Change Columns"));
    mnuAction->addSeparator()->setObjectName(QStringLiteral("separator"));
    mnuExit = item(mnuAction, "mnuExit", QStringLiteral("Exit"));

    mnuHelp = menuBar()->addMenu(QStringLiteral("Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = item(mnuHelp, "mnuAbout", QStringLiteral("About"));
    mnuCheckNewVersion =
        item(mnuHelp, "mnuCheckNewVersion", QStringLiteral("Check for new version"));

    // The list's context menu; never in the menu bar.
    mnContext = new QMenu(QStringLiteral("Menu"), this);
    mnContext->setObjectName(QStringLiteral("mnContext"));
    mnUnPause = item(mnContext, "mnUnPause", QStringLiteral("UnPause"));
    mnPause = item(mnContext, "mnPause", QStringLiteral("Pause"));
    mnStop = item(mnContext, "mnStop", QStringLiteral("Stop"));
    mnQueue = item(mnContext, "mnQueue", QStringLiteral("Queue"));
    mnuPriority = mnContext->addMenu(QStringLiteral("Change Priority"));
    mnuPriority->setObjectName(QStringLiteral("mnuPriority"));
    mnPrioHighest = item(mnuPriority, "mnPrioHighest", QStringLiteral("Highest"));
    mnPrioHigh = item(mnuPriority, "mnPrioHigh", QStringLiteral("High"));
    mnPrioNormal = item(mnuPriority, "mnPrioNormal", QStringLiteral("Normal"));
    mnPrioLow = item(mnuPriority, "mnPrioLow", QStringLiteral("Low"));
    mnPrioLowest = item(mnuPriority, "mnPrioLowest", QStringLiteral("Lowest"));
    mnDelete = item(mnContext, "mnDelete", QStringLiteral("Delete"));

    const QList<std::pair<QAction*, const char*>> priorities = {{mnPrioHighest, "0"},
                                                                {mnPrioHigh, "1"},
                                                                {mnPrioNormal, "2"},
                                                                {mnPrioLow, "3"},
                                                                {mnPrioLowest, "4"}};
    for (const auto& [action, code] : priorities) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, this,
                [this, c = QByteArray(code)] { setContextPriority(c); });
    }
    const QList<std::pair<QAction*, Session::TorrentCommand>> commands = {
        {mnUnPause, Session::TorrentCommand::Resume},
        {mnPause, Session::TorrentCommand::Pause},
        {mnStop, Session::TorrentCommand::Stop},
        {mnQueue, Session::TorrentCommand::Queue},
        {mnDelete, Session::TorrentCommand::Delete}};
    for (const auto& [action, command] : commands)
        connect(action, &QAction::triggered, this,
                [this, c = command] { sendForContextTorrent(c); });

    connect(mnuSwitchVersion, &QAction::triggered, this, &MainWindow::mnuSwitchVersion_Click);
    connect(mnuChangeColumns, &QAction::triggered, this, &MainWindow::mnuChangeColumns_Click);
    connect(mnuExit, &QAction::triggered, this, &MainWindow::mnuExit_Click);
    connect(mnuAbout, &QAction::triggered, this, &MainWindow::mnuAbout_Click);
    connect(mnuCheckNewVersion, &QAction::triggered, this, &MainWindow::mnuCheckNewVersion_Click);
}

void MainWindow::startUp()
{
    WriteLog(QStringLiteral("Tavrin starting"));

    m_bVersion3 = m_settings.read(keys::version3, keys::defaultVersion3) == QLatin1String("true");
    mnuSwitchVersion->setText(m_bVersion3 ? QStringLiteral("Switch to Kestrun Version 2")
                                          : QStringLiteral("Switch to Kestrun Version 3"));

    m_domColInfo.reset();
    m_domColInfoDefault.reset();
    BuildColumns();

    txtHost->setText(m_settings.read(keys::host, keys::defaultHost));
    txtPort->setText(m_settings.read(keys::port, keys::defaultPort));
    txtUniqueID->setText(m_settings.read(keys::uniqueId));
    txtRefreshSecs->setText(m_settings.read(keys::refreshSecs, keys::defaultRefreshSecs));

    setWindowTitle(QStringLiteral("Tavrin v") + versionString());

    fraMain->setEnabled(false);
    fraMain->setVisible(false);

    const QString widthText = m_settings.read(keys::width, keys::defaultWidth);
    const auto width = toInt32(widthText);
    if (!width) {
        m_prompter.showMessage(
            QStringLiteral("The stored window width \"%1\" is not a whole number.").arg(widthText),
            MessageStyle::Critical, QStringLiteral("ERROR"));
        return;
    }
    setOuterSizeTwips(static_cast<float>(*width), outerHeightTwips());
    const QString heightText = m_settings.read(keys::height, keys::defaultHeight);
    const auto height = toInt32(heightText);
    if (!height) {
        m_prompter.showMessage(
            QStringLiteral("The stored window height \"%1\" is not a whole number.")
                .arg(heightText),
            MessageStyle::Critical, QStringLiteral("ERROR"));
        return;
    }
    setOuterSizeTwips(outerWidthTwips(), static_cast<float>(*height));
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

void MainWindow::mnuExit_Click()
{
    close();
}

void MainWindow::WriteLog(const QString& message)
{
    m_log->writeLog(message);
}

void MainWindow::connectSession()
{
    // Every request reads the connection fields as they stand.
    connect(txtHost, &QLineEdit::textChanged, m_session, &Session::setHost);
    connect(txtPort, &QLineEdit::textChanged, m_session, &Session::setPort);
    connect(txtUniqueID, &QLineEdit::textChanged, m_session, &Session::setUniqueId);
    m_session->setHost(txtHost->text());
    m_session->setPort(txtPort->text());
    m_session->setUniqueId(txtUniqueID->text());
    connect(m_session, &Session::statusReplyArrived, this, &MainWindow::ProcessStatusReply);
    connect(m_session, &Session::fieldsLockedChanged, this, &MainWindow::setFieldsLocked);
    connect(m_session, &Session::listAreaShown, this, [this] {
        fraMain->setEnabled(true);
        fraMain->setVisible(true);
    });
    connect(m_session, &Session::busyChanged, this,
            [this](bool busy) { m_prompter.setWaitPointer(busy); });
    connect(m_session, &Session::message, this,
            [this](const QString& text, MessageStyle style, const QString& title) {
                m_prompter.showMessage(text, style, title);
            });
}

void MainWindow::setFieldsLocked(bool locked)
{
    txtHost->setEnabled(!locked);
    txtPort->setEnabled(!locked);
    txtUniqueID->setEnabled(!locked);
    cmdConnect->setEnabled(!locked);
}

void MainWindow::onConnectClicked()
{
    m_session->connectToServer(txtRefreshSecs->text());
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyLayout();
}

} // namespace tavrin
