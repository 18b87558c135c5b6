#include "core/session/ConnectionStatus.h"

#include "core/platform/Clock.h"
#include "core/platform/MessageText.h"
#include "core/session/Reconnector.h"
#include "core/torrents/TorrentListModel.h"
#include "core/view/TorrentViewModel.h"

#include <QTimer>
#include <algorithm>

namespace tavrin {

namespace {

// A status bar holds one line: the start of a long text, with its controls shown.
constexpr qsizetype lineCharacters = 200;

} // namespace

ConnectionStatus::ConnectionStatus(Session& session, const TorrentListModel& model,
                                   const Clock& clock, QObject* parent)
    : QObject(parent), m_session(session), m_model(model), m_clock(clock),
      m_countdown(new QTimer(this))
{
    // The first query waits a whole interval; the countdown tells the user it is coming.
    m_countdown->setInterval(1000);
    connect(m_countdown, &QTimer::timeout, this, &ConnectionStatus::update);
    connect(&session, &Session::stateChanged, this, [this](Session::State state) {
        if (state == Session::State::Polling) {
            m_server = m_session.serverName();
            m_stopped.clear();
            m_lastReply.clear();
            m_countdown->start();
        }
        update();
    });
    connect(&session, &Session::failed, this,
            [this](Session::Failure failure, const QString& text) {
                m_countdown->stop();
                m_stopped = failure == Session::Failure::Refused
                                ? tr("Connection refused by %1: is Kestrun running "
                                     "there?")
                                      .arg(m_session.serverName())
                                : tr("Stopped: ") + text;
                update();
            });
    connect(&session, &Session::statusReplyArrived, this, [this] {
        m_lastReply = m_clock.now().toString(QStringLiteral("HH:mm:ss"));
        // Told after the list has taken the reply in, so the count is the new one.
        scheduleUpdate();
    });
    connect(
        &session, &Session::chainStep, this, [this](RequestKind chain, int position, int count) {
            m_chain =
                (chain == RequestKind::PauseAll ? tr("Pausing %1 of %2") : tr("Resuming %1 of %2"))
                    .arg(position)
                    .arg(count);
            update();
        });
    connect(&session, &Session::chainEnded, this, [this] {
        m_chain.clear();
        update();
    });
}

void ConnectionStatus::setView(const view::TorrentViewModel* view)
{
    m_view = view;
    if (!view)
        return;
    connect(view, &QAbstractItemModel::layoutChanged, this, &ConnectionStatus::scheduleUpdate);
    connect(view, &QAbstractItemModel::dataChanged, this, &ConnectionStatus::scheduleUpdate);
    connect(view, &QAbstractItemModel::rowsInserted, this, &ConnectionStatus::scheduleUpdate);
    connect(view, &QAbstractItemModel::rowsRemoved, this, &ConnectionStatus::scheduleUpdate);
    connect(view, &QAbstractItemModel::modelReset, this, &ConnectionStatus::scheduleUpdate);
}

void ConnectionStatus::setReconnector(const Reconnector* reconnector)
{
    m_reconnector = reconnector;
    if (reconnector)
        connect(reconnector, &Reconnector::waitChanged, this, &ConnectionStatus::update);
}

void ConnectionStatus::scheduleUpdate()
{
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_updateScheduled = false;
        update();
    });
}

QString ConnectionStatus::speedText(double bytesPerSecond)
{
    static const char* const units[] = {"B/s", "kB/s", "MB/s", "GB/s", "TB/s"};
    double value = std::max(bytesPerSecond, 0.0);
    int unit = 0;
    while (value >= 1000 && unit < 4) {
        value /= 1000;
        ++unit;
    }
    return unit == 0 ? QStringLiteral("%1 B/s").arg(static_cast<qint64>(value))
                     : QStringLiteral("%1 %2")
                           .arg(value, 0, 'f', value < 10 ? 2 : 1)
                           .arg(QLatin1StringView(units[unit]));
}

QString ConnectionStatus::summary() const
{
    if (m_lastReply.isEmpty() || !m_stopped.isEmpty())
        return tr("Tavrin · not connected");
    const int count = m_model.count();
    const TorrentListModel::SpeedTotals speeds = m_model.speedTotals();
    return tr("Tavrin · %1 · down %2, up %3")
        .arg(tr("%n torrent(s)", nullptr, count), speedText(speeds.download),
             speedText(speeds.upload));
}

void ConnectionStatus::setWaitingLinks(int count)
{
    m_waitingLinks = count;
    scheduleUpdate();
}

void ConnectionStatus::update()
{
    QString text;
    if (!m_stopped.isEmpty()) {
        text = m_stopped;
        if (m_reconnector && m_reconnector->isWaiting())
            text += QStringLiteral(" \u00b7 ") +
                    tr("trying again in %1 s").arg(m_reconnector->secondsLeft());
    } else if (m_session.state() != Session::State::Polling) {
        return;
    } else if (m_lastReply.isEmpty()) {
        const int left = m_session.refreshRemainingMs();
        text = tr("Connecting to %1").arg(m_server);
        if (left >= 0)
            text += tr(": first query in %1 s").arg((left + 999) / 1000);
    } else {
        m_countdown->stop();
        const int count = m_model.count();
        QString torrents = tr("%n torrent(s)", nullptr, count);
        if (m_view && m_view->filter().isActive())
            torrents += tr(", %1 shown").arg(m_view->shownCount());
        const TorrentListModel::SpeedTotals speeds = m_model.speedTotals();
        text = tr("Connected to %1 (Kestrun %2) · %3 · down %4, up %5 "
                  "· last reply %6")
                   .arg(m_server)
                   .arg(m_version)
                   .arg(torrents, speedText(speeds.download), speedText(speeds.upload))
                   .arg(m_lastReply);
    }
    if (!m_chain.isEmpty() && m_stopped.isEmpty())
        text = m_chain + QStringLiteral(" \u00b7 ") + text;
    if (m_waitingLinks > 0)
        text += QStringLiteral(" \u00b7 ") +
                tr("%n link(s) waiting to be added", nullptr, m_waitingLinks);
    text = terminalCell(text, lineCharacters);
    if (text == m_text)
        return;
    m_text = text;
    Q_EMIT changed(m_text);
}

} // namespace tavrin
