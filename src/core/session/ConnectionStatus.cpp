#include "core/session/ConnectionStatus.h"

#include "core/platform/Clock.h"
#include "core/platform/MessageText.h"
#include "core/torrents/TorrentListModel.h"

#include <QTimer>

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
                                ? QStringLiteral("Connection refused by %1: is Kestrun running "
                                                 "there?")
                                      .arg(m_session.serverName())
                                : QStringLiteral("Stopped: ") + text;
                update();
            });
    connect(&session, &Session::statusReplyArrived, this, [this] {
        m_lastReply = m_clock.now().toString(QStringLiteral("HH:mm:ss"));
        // Told after the list has taken the reply in, so the count is the new one.
        QTimer::singleShot(0, this, &ConnectionStatus::update);
    });
}

void ConnectionStatus::update()
{
    QString text;
    if (!m_stopped.isEmpty()) {
        text = m_stopped;
    } else if (m_session.state() != Session::State::Polling) {
        return;
    } else if (m_lastReply.isEmpty()) {
        const int left = m_session.refreshRemainingMs();
        text = QStringLiteral("Connecting to %1").arg(m_server);
        if (left >= 0)
            text += QStringLiteral(": first query in %1 s").arg((left + 999) / 1000);
    } else {
        m_countdown->stop();
        const int count = m_model.count();
        text = QStringLiteral("Connected to %1 (Kestrun %2) \u00b7 %3 \u00b7 last reply %4")
                   .arg(m_server)
                   .arg(m_version)
                   .arg(count == 1 ? QStringLiteral("1 torrent")
                                   : QStringLiteral("%1 torrents").arg(count))
                   .arg(m_lastReply);
    }
    text = terminalCell(text, lineCharacters);
    if (text == m_text)
        return;
    m_text = text;
    Q_EMIT changed(m_text);
}

} // namespace tavrin
