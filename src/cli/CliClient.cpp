#include "cli/CliClient.h"

#include "core/links/LinkCheck.h"
#include "core/servers/SavedServers.h"

#include "cli/HookRunner.h"
#include "core/net/WireProtocol.h"
#include "core/platform/MessageText.h"
#include "core/servers/ServerProfile.h"
#include "core/session/ConnectionFields.h"
#include "core/session/ConnectionStatus.h"
#include "core/session/Reconnector.h"
#include "core/session/Session.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"
#include "core/torrents/ReplyRows.h"
#include "core/torrents/TorrentListModel.h"
#include "core/torrents/TorrentListUpdater.h"
#include "core/view/ListOrder.h"
#include "core/watch/FinishWatch.h"

#include <QDateTime>
#include <QTimer>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tavrin::cli {

namespace {

// The commands on one torrent that the session names; priority has a call of its own.
const QHash<QString, Session::TorrentCommand>& torrentCommands()
{
    static const QHash<QString, Session::TorrentCommand> commands = {
        {QStringLiteral("pause"), Session::TorrentCommand::Pause},
        {QStringLiteral("resume"), Session::TorrentCommand::Resume},
        {QStringLiteral("stop"), Session::TorrentCommand::Stop},
        {QStringLiteral("queue"), Session::TorrentCommand::Queue},
        {QStringLiteral("delete"), Session::TorrentCommand::Delete},
    };
    return commands;
}

// Commands that name one torrent, which is looked for in the list first.
bool namesOneTorrent(const QString& command)
{
    return torrentCommands().contains(command) || command == QLatin1String("priority");
}

void write(FILE* stream, const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

CliClient::CliClient(const Invocation& invocation, SettingsStore& settings, QObject* parent)
    : QObject(parent), m_invocation(invocation), m_settings(settings),
      m_model(new TorrentListModel(this))
{
}

CliClient::~CliClient() = default;

bool CliClient::prepare()
{
    // A saved server fills what the options leave open.
    if (m_invocation.server) {
        const SavedServers saved(m_settings);
        const std::optional<SavedServer> server = saved.find(*m_invocation.server);
        if (!server) {
            const QStringList names = saved.names();
            finish(BadUsage,
                   names.isEmpty()
                       ? QStringLiteral("No saved server is named \"%1\"; none is saved.")
                             .arg(*m_invocation.server)
                       : QStringLiteral("No saved server is named \"%1\"; the saved ones "
                                        "are: %2.")
                             .arg(*m_invocation.server, names.join(QStringLiteral(", "))));
            return false;
        }
        m_invocation.host = m_invocation.host.value_or(server->host);
        m_invocation.port = m_invocation.port.value_or(server->port);
        m_invocation.uniqueId = m_invocation.uniqueId.value_or(server->uniqueId);
        m_invocation.version3 = m_invocation.version3.value_or(server->version3);
    }
    // The window's server version and column layout, read and refused alike.
    m_profile = std::make_unique<ServerProfile>(m_settings);
    m_profile->load(m_invocation.version3);
    QStringList captions;
    for (const columns::ColumnHeader& header : m_profile->headers())
        captions.append(header.caption);
    m_model->setColumns(captions);
    m_updater = std::make_unique<TorrentListUpdater>(*m_model, m_profile->layout());

    QString error;
    const QString& command = m_invocation.command;
    m_listing = command == QLatin1String("list") || command == QLatin1String("watch") ||
                command == QLatin1String("pause-all") || command == QLatin1String("resume-all");
    const bool oneTorrent = namesOneTorrent(command);
    m_listing = m_listing || oneTorrent;
    const bool printing = command == QLatin1String("list") || command == QLatin1String("watch");
    if (printing && !chooseColumns(m_profile->layout(), m_invocation.columns, m_columns, error)) {
        finish(BadUsage, error);
        return false;
    }
    chooseTypedFields(m_profile->defaultLayout(), m_profile->isVersion3(), m_columns);
    if (printing && !m_invocation.sortKey.isEmpty() && !chooseSortField(error)) {
        finish(BadUsage, error);
        return false;
    }

    if (command == QLatin1String("add")) {
        for (const QString& link : m_invocation.arguments) {
            if (const std::optional<QString> why = links::wireProblem(link)) {
                finish(BadUsage, *why);
                return false;
            }
        }
    }
    if (oneTorrent) {
        const QString& typed = m_invocation.arguments.at(0);
        const auto id = wire::latin1(typed);
        if (!id) {
            finish(BadUsage, QStringLiteral("The identifier \"%1\" has characters the server "
                                            "cannot receive; only Latin-1 characters can be sent.")
                                 .arg(typed));
            return false;
        }
        const bool priority = command == QLatin1String("priority");
        if (const auto problem = wire::torrentIdProblem(*id, wire::IdSource::Typed, priority)) {
            finish(BadUsage, *problem);
            return false;
        }
        m_torrentId = *id;
    }

    const QString port = m_invocation.port.value_or(m_settings.read(keys::port, keys::defaultPort));
    if (!fields::port(port)) {
        finish(BadUsage, fields::badPortText(port));
        return false;
    }
    const QString uniqueId = m_invocation.uniqueId.value_or(m_settings.read(keys::uniqueId));
    if (!fields::uniqueId(uniqueId)) {
        finish(BadUsage, fields::badUniqueIdText(uniqueId));
        return false;
    }

    Session::Options options;
    options.deadlineMs = m_invocation.timeoutSecs * 1000;
    m_session = new Session(m_settings, *m_model, options, this);
    m_session->setHost(m_invocation.host.value_or(m_settings.read(keys::host, keys::defaultHost)));
    m_session->setPort(port);
    m_session->setUniqueId(uniqueId);

    connect(m_session, &Session::statusReplyArrived, this, &CliClient::onStatusReply);
    connect(m_session, &Session::commandSent, this, &CliClient::onCommandSent);
    // Kept for the chains, whose start may answer "nothing to do" instead of sending.
    connect(m_session, &Session::message, this,
            [this](const QString& text) { m_lastMessage = text; });
    connect(
        m_session, &Session::failed, this, [this](Session::Failure failure, const QString& text) {
            // The stream outlives a lost connection; an error reply needs the user.
            if (m_invocation.command == QLatin1String("events") &&
                failure != Session::Failure::ErrorReply)
                return lostConnection(text);
            QString message = text;
            // The links before it were added; say which one did not go.
            if (m_invocation.command == QLatin1String("add") &&
                m_linksAdded < m_invocation.arguments.size())
                message =
                    QStringLiteral("link %1 of %2 (%3) was not added: %4")
                        .arg(m_linksAdded + 1)
                        .arg(m_invocation.arguments.size())
                        .arg(terminalCell(m_invocation.arguments.at(m_linksAdded), 200), text);
            finish(failure == Session::Failure::ErrorReply ? ServerError : ExchangeFailed, message);
        });
    connect(m_session, &Session::commandReplied, this, [this](const QByteArray& reply) {
        if (m_invocation.command == QLatin1String("add"))
            return onLinkAdded(reply);
        // A single command is done once its reply is whole and is not an error reply.
        if (m_listing || m_chainStarted)
            return;
        // A command on all torrents: the server's answer, as it came, is the summary.
        const QString& command = m_invocation.command;
        if (command == QLatin1String("stop-all") || command == QLatin1String("queue-all") ||
            command == QLatin1String("delete-completed"))
            write(stderr, (command + QStringLiteral(": the server answered ") +
                           terminalCell(QString::fromLatin1(reply.trimmed()), messageBoxCharacters))
                                  .toUtf8() +
                              '\n');
        finish(Done);
    });
    return true;
}

bool CliClient::chooseSortField(QString& error)
{
    const QString& key = m_invocation.sortKey;
    // A typed key reads its field in this server version; a column key, its own field.
    for (const auto& [typed, field] : std::as_const(m_columns.typed)) {
        if (key != QLatin1String(typed.key))
            continue;
        if (field == 0) {
            error = QStringLiteral("Version %1 servers send no %2.")
                        .arg(m_profile->isVersion3() ? 3 : 2)
                        .arg(key);
            return false;
        }
        m_sortField = field;
        return true;
    }
    for (const auto& [column, field] : std::as_const(m_columns.fieldKeys)) {
        if (column.compare(key, Qt::CaseInsensitive) == 0) {
            m_sortField = field;
            return true;
        }
    }
    QStringList keys;
    for (const auto& typed : std::as_const(m_columns.typed))
        keys.append(QLatin1String(typed.first.key));
    for (const auto& column : std::as_const(m_columns.fieldKeys))
        keys.append(column.first);
    error = QStringLiteral("--sort: unknown key \"%1\"; the keys are: %2.")
                .arg(key, keys.join(QStringLiteral(", ")));
    return false;
}

std::vector<int> CliClient::shownPositions() const
{
    return view::orderedPositions(
        *m_model,
        {m_invocation.filterText, static_cast<view::StatusFilter>(m_invocation.statusFilter)},
        m_sortField, m_invocation.sortDescending);
}

bool CliClient::takeReply(const QByteArray& reply)
{
    const TorrentListUpdater::Result result = m_updater->apply(reply);
    if (!result.error.isEmpty()) {
        finish(ExchangeFailed, result.error);
        return false;
    }
    return true;
}

void CliClient::printList()
{
    QString error;
    ChunkedWriter out(stdout);
    if (!writeList(*m_model, shownPositions(), m_columns, m_invocation.format, 0, error, out))
        return finish(ExchangeFailed, error);
    out.flush();
    finish(Done);
}

void CliClient::sendTorrentCommand()
{
    const QString& command = m_invocation.command;
    if (m_model->findTorrent(m_torrentId) == 0) {
        return finish(
            ServerError,
            QStringLiteral("no torrent with ID %1").arg(QString::fromLatin1(m_torrentId)));
    }
    // The list was only a look-up; the command's own reply ends the run.
    m_listing = false;
    if (command == QLatin1String("priority"))
        return m_session->setPriority(m_torrentId, *priorityCode(m_invocation.arguments.at(1)));
    m_session->sendTorrentCommand(torrentCommands().value(command), m_torrentId);
}

void CliClient::start()
{
    if (!prepare())
        return;
    const QString& command = m_invocation.command;
    const QStringList& args = m_invocation.arguments;
    if (command == QLatin1String("list") || command == QLatin1String("pause-all") ||
        command == QLatin1String("resume-all") || namesOneTorrent(command)) {
        m_session->queryStatus();
    } else if (command == QLatin1String("watch")) {
        m_watchTimer = new QTimer(this);
        const int stored = m_settings.read(keys::refreshSecs, keys::defaultRefreshSecs).toInt();
        m_watchTimer->setInterval(m_invocation.intervalSecs.value_or(std::clamp(stored, 1, 86400)) *
                                  1000);
        connect(m_watchTimer, &QTimer::timeout, this, [this] {
            // A slow reply is waited for, not abandoned by the next redraw.
            if (!m_session->requestInFlight())
                m_session->queryStatus();
        });
        m_watchTimer->start();
        m_session->queryStatus();
    } else if (command == QLatin1String("events")) {
        startEvents();
    } else if (command == QLatin1String("add")) {
        // One at a time, so that an error reply names its link and the rest are not sent.
        m_session->addLink(args.at(0));
    } else if (command == QLatin1String("stop-all")) {
        m_session->stopAll();
    } else if (command == QLatin1String("queue-all")) {
        m_session->queueAll();
    } else if (command == QLatin1String("delete-completed")) {
        m_session->deleteCompleted();
    }
}

void CliClient::onStatusReply(const QByteArray& reply)
{
    const QString& command = m_invocation.command;
    if (command == QLatin1String("events"))
        return onEventsReply(reply);
    if (command == QLatin1String("watch"))
        return drawWatch(reply);
    if (!takeReply(reply))
        return;
    if (command == QLatin1String("list"))
        return printList();
    if (!m_torrentId.isNull())
        return sendTorrentCommand();
    // pause-all and resume-all: the first reply fills the list the chain walks, the chain's
    // own closing status query ends the run.
    if (m_chainStarted) {
        const bool pausing = command == QLatin1String("pause-all");
        write(stderr, QStringLiteral("%1 %2 torrent%3\n")
                          .arg(pausing ? QStringLiteral("paused") : QStringLiteral("resumed"))
                          .arg(m_actedOn)
                          .arg(m_actedOn == 1 ? QString() : QStringLiteral("s"))
                          .toUtf8());
        return finish(Done);
    }
    m_chainStarted = true;
    if (command == QLatin1String("pause-all"))
        m_session->startPauseAll();
    else
        m_session->startResumeAll();
    if (!m_session->chainRunning())
        finish(Done, m_lastMessage);
}

void CliClient::onLinkAdded(const QByteArray& reply)
{
    // The server's answer as it came, trimmed and with its controls shown; not interpreted.
    write(stdout,
          terminalCell(QString::fromLatin1(reply.trimmed()), messageBoxCharacters).toUtf8() + '\n');
    ++m_linksAdded;
    if (m_linksAdded >= m_invocation.arguments.size())
        return finish(Done);
    m_session->addLink(m_invocation.arguments.at(m_linksAdded));
}

void CliClient::onCommandSent(const QByteArray& command)
{
    if (!m_chainStarted)
        return;
    // One line per torrent acted on, in the order the commands went out.
    for (const QByteArrayView verb : {QByteArrayView("PAUSE|"), QByteArrayView("RESUME|")}) {
        if (command.startsWith(verb)) {
            const QByteArray id = command.sliced(verb.size());
            ++m_actedOn;
            // The identifier is the server's text: its controls are shown, not obeyed.
            write(stdout, (verb == QByteArrayView("PAUSE|") ? "paused " : "resumed ") +
                              terminalCell(QString::fromLatin1(id), messageBoxCharacters).toUtf8() +
                              '\n');
        }
    }
}

void CliClient::drawWatch(const QByteArray& reply)
{
    if (!takeReply(reply))
        return;
    m_lastReplyTime = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"));
    redrawWatch();
}

QByteArray CliClient::watchHeader(std::size_t shown) const
{
    const TorrentListModel::SpeedTotals speeds = m_model->speedTotals();
    const int count = m_model->count();
    QString torrents =
        count == 1 ? QStringLiteral("1 torrent") : QStringLiteral("%1 torrents").arg(count);
    if (int(shown) != count)
        torrents += QStringLiteral(", %1 shown").arg(shown);
    return QStringLiteral("%1 (Kestrun %2) \u00b7 %3 \u00b7 %4 \u00b7 down %5, up %6")
        .arg(m_session->serverName())
        .arg(m_profile->isVersion3() ? 3 : 2)
        .arg(m_lastReplyTime, torrents, ConnectionStatus::speedText(speeds.download),
             ConnectionStatus::speedText(speeds.upload))
        .toUtf8();
}

void CliClient::redrawWatch()
{
    if (m_lastReplyTime.isEmpty() || m_finished)
        return;
    std::vector<int> positions = shownPositions();
    const QByteArray header = watchHeader(positions.size());
    const bool terminal = isatty(STDOUT_FILENO);
    QByteArray screen;
    QString error;
    if (!terminal) {
        // A log of snapshots: each one whole, after its time-stamped header.
        if (!listText(*m_model, positions, m_columns, Format::Table, 0, error, screen))
            return finish(ExchangeFailed, error);
        write(stdout, header + '\n' + screen + '\n');
        return;
    }
    winsize size{};
    const bool sized = ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0;
    const int width = sized ? size.ws_col : 0;
    // The header and the column line stay; the rows get what is left, the last line telling
    // how many did not fit.
    const std::size_t room = sized ? std::size_t(std::max(0, size.ws_row - 2)) : positions.size();
    QByteArray more;
    if (positions.size() > room) {
        const std::size_t fit = room > 0 ? room - 1 : 0;
        more = QStringLiteral("... and %1 more").arg(positions.size() - fit).toUtf8();
        positions.resize(fit);
    }
    if (!listText(*m_model, positions, m_columns, Format::Table, width, error, screen))
        return finish(ExchangeFailed, error);
    if (!m_screenTaken) {
        // The alternate screen keeps the user's scrollback; the cursor hides while drawing.
        write(stdout, "\x1b[?1049h\x1b[?25l");
        m_screenTaken = true;
    }
    QByteArray lines =
        terminalCell(QString::fromUtf8(header), width > 0 ? width : 1000).toUtf8() + '\n' + screen;
    if (!more.isEmpty())
        lines += more + '\n';
    if (lines.endsWith('\n'))
        lines.chop(1); // a newline on the last row would scroll the header away
    // Drawn over the last screen line by line, each cleared to its end, then what is below: no
    // blank frame between two screens.
    lines.replace('\n', "\x1b[K\n");
    write(stdout, "\x1b[H" + lines + "\x1b[K\x1b[J");
}

void CliClient::startEvents()
{
    m_finishWatch = new FinishWatch(*m_model, this);
    connect(m_finishWatch, &FinishWatch::finished, this,
            [this](const QList<FinishWatch::Finished>& torrents) {
                m_pendingFinished.append(torrents);
            });
    if (!m_invocation.onFinish.isEmpty()) {
        m_hooks = new HookRunner(m_invocation.onFinish, m_session->serverName(), this);
        m_hooks->setLimit(m_invocation.hookTimeoutSecs * 1000);
    }
    m_watchTimer = new QTimer(this);
    m_watchTimer->setInterval(m_invocation.intervalSecs.value_or(1) * 1000);
    connect(m_watchTimer, &QTimer::timeout, this, [this] {
        if (!m_session->requestInFlight())
            m_session->queryStatus();
    });
    m_retryTimer = new QTimer(this);
    m_retryTimer->setSingleShot(true);
    connect(m_retryTimer, &QTimer::timeout, m_session, &Session::queryStatus);
    m_session->queryStatus();
}

void CliClient::writeEvent(const char* event, const QByteArray& id, const QByteArray& members)
{
    QByteArray line = "{\"time\":\"" +
                      QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1() +
                      "\",\"event\":\"" + event +
                      "\",\"id\":" + (id.isNull() ? QByteArray("null") : detail::jsonText(id));
    if (!members.isEmpty())
        line += ',' + members;
    write(stdout, line + "}\n");
}

void CliClient::onEventsReply(const QByteArray& reply)
{
    const TorrentListUpdater::Result result = m_updater->apply(reply);
    if (!result.error.isEmpty()) {
        m_pendingFinished.clear();
        return lostConnection(result.error);
    }
    if (!m_connected) {
        m_connected = true;
        m_backoffMs = 0;
        writeEvent("connected", {},
                   "\"server\":" + detail::jsonText(m_session->serverName().toLatin1()));
        m_watchTimer->start();
    }
    for (const ListDiff::Change& change : m_diff.update(*m_model)) {
        switch (change.kind) {
        case ListDiff::Change::Kind::Added:
            writeEvent("added", change.id,
                       "\"torrent\":" + detail::typedObject(*m_model, m_columns,
                                                            m_model->findTorrent(change.id)));
            break;
        case ListDiff::Change::Kind::Removed:
            writeEvent("removed", change.id, {});
            break;
        case ListDiff::Change::Kind::Changed: {
            const QByteArrayView row = m_model->rowText(m_model->findTorrent(change.id));
            QByteArray fields = "\"fields\":{";
            for (qsizetype i = 0; i < change.fields.size(); ++i) {
                const int field = change.fields.at(i);
                fields += (i > 0 ? "," : "") +
                          detail::jsonText(detail::fieldKey(m_columns, field).toLatin1()) + ':' +
                          detail::jsonText(replyrows::fieldAt(row, field));
            }
            writeEvent("changed", change.id, fields + '}');
            break;
        }
        }
    }
    const QList<FinishWatch::Finished> finished = std::exchange(m_pendingFinished, {});
    for (const FinishWatch::Finished& torrent : finished) {
        writeEvent("finished", torrent.id, "\"name\":" + detail::jsonText(torrent.name.toLatin1()));
        if (m_hooks)
            m_hooks->run(torrent.id, torrent.name);
    }
}

void CliClient::lostConnection(const QString& reason)
{
    // Told once per loss; the stream tries again with the window's backoff until Ctrl+C.
    if (m_connected || !m_toldDisconnected)
        writeEvent("disconnected", {},
                   "\"reason\":" + detail::jsonText(messageBoxText(reason).toLatin1()));
    m_connected = false;
    m_toldDisconnected = true;
    m_watchTimer->stop();
    m_backoffMs = Reconnector::nextDelayMs(m_backoffMs);
    m_retryTimer->start(m_backoffMs);
}

void CliClient::terminalResized()
{
    redrawWatch();
}

void CliClient::interrupt(int signal)
{
    // Ctrl+C is how a watch ends; anything else it cuts short has not been done.
    // Ctrl+C is how watch and events end; anything else it cuts short has not been done.
    const bool endless = m_invocation.command == QLatin1String("watch") ||
                         m_invocation.command == QLatin1String("events");
    finish(Interrupted + signal, endless ? QString() : QStringLiteral("Interrupted."));
}

void CliClient::finish(int status, const QString& message)
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_watchTimer)
        m_watchTimer->stop();
    if (m_retryTimer)
        m_retryTimer->stop();
    if (m_hooks)
        m_hooks->stop();
    if (m_session)
        m_session->shutDown();
    if (m_screenTaken)
        write(stdout, "\x1b[?25h\x1b[?1049l");
    // Outside text reaches the terminal as a box would show it: controls visible, cut short.
    if (!message.isEmpty())
        write(status == Done ? stdout : stderr,
              (status == Done ? QString() : QStringLiteral("tavrin-cli: ")).toUtf8() +
                  messageBoxText(message).toUtf8() + '\n' +
                  (status == BadUsage ? "Try 'tavrin-cli --help'.\n" : ""));
    QMetaObject::invokeMethod(
        this, [this, status] { Q_EMIT finished(status); }, Qt::QueuedConnection);
}

} // namespace tavrin::cli
