#include "core/watch/FinishNotifications.h"

#include "core/platform/Clock.h"
#include "core/platform/MessageText.h"
#include "core/watch/DesktopNotifier.h"
#include "core/watch/FinishWatch.h"

namespace tavrin {

namespace {
// A name in a notification is cut here; the list has the whole of it.
constexpr qsizetype nameCharacters = 120;
} // namespace

FinishNotifications::FinishNotifications(const TorrentListModel& list, CatchUpStore store,
                                         QDBusConnection bus, const Clock& clock, QObject* parent)
    : QObject(parent), m_list(list), m_store(std::move(store)), m_clock(clock),
      m_notifier(new DesktopNotifier(std::move(bus), this))
{
    connect(m_notifier, &DesktopNotifier::activated, this, &FinishNotifications::activated);
    connect(m_notifier, &DesktopNotifier::unavailable, this, [this](const QString& why) {
        Q_EMIT logEntry(QStringLiteral("Desktop notifications cannot be shown: ") + why);
    });
}

FinishNotifications::~FinishNotifications() = default;

void FinishNotifications::setEnabled(bool enabled)
{
    if (enabled == isEnabled())
        return;
    if (!enabled) {
        delete m_watch;
        m_watch = nullptr;
        return;
    }
    // Turned on while connected: what the list holds now counts as first seen.
    m_watch = new FinishWatch(m_list, this);
    connect(m_watch, &FinishWatch::finished, this,
            [this](const QList<FinishWatch::Finished>& torrents, bool away) {
                QStringList names;
                for (const FinishWatch::Finished& torrent : torrents)
                    names.append(terminalCell(torrent.name, nameCharacters));
                m_notifier->notify(finishedNotice(names, away));
            });
}

void FinishNotifications::startServer(const CatchUpStore::Server& server)
{
    if (!m_watch) {
        m_server = server;
        return;
    }
    if (m_server && m_server->host.compare(server.host, Qt::CaseInsensitive) == 0 &&
        m_server->port == server.port && m_server->version == server.version)
        return;
    remember();
    m_server = server;
    m_watch->startServer(m_store.load(server));
}

void FinishNotifications::remember()
{
    // A server that never answered keeps what was remembered of it.
    if (!m_watch || !m_server || !m_watch->sawReply())
        return;
    const QString error =
        m_store.save(*m_server, m_watch->unfinishedIds(), m_clock.now().toSecsSinceEpoch());
    if (!error.isEmpty())
        Q_EMIT logEntry(QStringLiteral("Unfinished torrents could not be remembered: ") + error);
}

} // namespace tavrin
