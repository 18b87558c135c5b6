#include "core/links/LinkInbox.h"

#include "core/session/Session.h"

namespace tavrin {

namespace {
// More waiting links than anyone would add by hand are not kept.
constexpr qsizetype maxWaiting = 1000;
} // namespace

LinkInbox::LinkInbox(Session& session, QObject* parent) : QObject(parent), m_session(session) {}

void LinkInbox::receive(const QStringList& links)
{
    if (links.isEmpty())
        return;
    if (m_session.fieldsLocked()) {
        for (const QString& link : links)
            m_session.addLink(link);
        return;
    }
    const bool wasEmpty = m_waiting.isEmpty();
    for (const QString& link : links) {
        if (m_waiting.size() < maxWaiting)
            m_waiting.append(link);
    }
    if (wasEmpty && !m_waiting.isEmpty())
        Q_EMIT firstWaitingChanged(m_waiting.constFirst());
    Q_EMIT waitingCountChanged(int(m_waiting.size()));
}

void LinkInbox::onAdded(const QString& text)
{
    if (m_waiting.isEmpty())
        return;
    // The user added a link of their own: the waiting one comes back to the box.
    if (m_waiting.constFirst() != text) {
        Q_EMIT firstWaitingChanged(m_waiting.constFirst());
        return;
    }
    m_waiting.removeFirst();
    // The last one stays in the box, as a typed link does.
    if (!m_waiting.isEmpty())
        Q_EMIT firstWaitingChanged(m_waiting.constFirst());
    Q_EMIT waitingCountChanged(int(m_waiting.size()));
}

} // namespace tavrin
