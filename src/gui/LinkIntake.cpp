#include "gui/LinkIntake.h"

#include "core/links/InstanceChannel.h"
#include "core/links/LinkInbox.h"
#include "core/log/EventLog.h"
#include "core/platform/Prompter.h"
#include "core/session/ConnectionStatus.h"
#include "core/session/Session.h"
#include "gui/LinkDrops.h"
#include "gui/StatusBarControls.h"

#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace tavrin {

LinkIntake::LinkIntake(Parts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)), m_inbox(new LinkInbox(m_parts.session, this))
{
    QLineEdit& box = m_parts.linkEdit;
    connect(&m_parts.addButton, &QPushButton::clicked, this, [this] {
        const QString link = m_parts.linkEdit.text();
        m_parts.session.addLink(link);
        m_inbox->onAdded(link);
    });
    // Return in the box adds, as the button does; the window still has no default button.
    connect(&box, &QLineEdit::returnPressed, &m_parts.addButton, &QPushButton::click);
    connect(m_inbox, &LinkInbox::firstWaitingChanged, &box, &QLineEdit::setText);
    connect(m_inbox, &LinkInbox::waitingCountChanged, &m_parts.status,
            &ConnectionStatus::setWaitingLinks);

    auto* drops = new LinkDrops(this);
    for (QWidget* target : m_parts.dropTargets)
        drops->watch(target);
    drops->watch(&box);
    connect(drops, &LinkDrops::dropped, m_inbox, &LinkInbox::receive);
    connect(drops, &LinkDrops::refused, this, &LinkIntake::showRefusal);

    auto* focusBox = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), box.window());
    connect(focusBox, &QShortcut::activated, this, [&box] {
        if (!box.isVisible())
            return;
        box.setFocus(Qt::ShortcutFocusReason);
        box.selectAll();
    });
}

void LinkIntake::listen(const QString& channel)
{
    if (channel.isEmpty())
        return;
    auto* receiver = new links::LinkReceiver(this);
    connect(receiver, &links::LinkReceiver::linksReceived, this, [this](const QStringList& l) {
        m_parts.log.writeLog(
            QStringLiteral("Links handed over by another start: %1").arg(l.size()));
        receive(l);
    });
    connect(receiver, &links::LinkReceiver::linkRefused, this, [this](const QString& reason) {
        m_parts.log.writeLog(QStringLiteral("Link handed over and not added: ") + reason);
    });
    // The first Tavrin to run receives the links of later starts.
    if (!receiver->listen(channel))
        m_parts.log.writeLog(QStringLiteral("Links of later starts do not come here: ") +
                             receiver->error());
}

void LinkIntake::receive(const QStringList& links)
{
    m_inbox->receive(links);
    Q_EMIT arrivedFromOutside();
}

void LinkIntake::showRefusal(const QString& reason)
{
    const QString text = tr("Link not added: ") + reason;
    m_parts.log.writeLog(text);
    if (!m_parts.bar.exists()) {
        m_parts.prompter.showNotice(text, QStringLiteral("Tavrin"));
        return;
    }
    m_parts.bar.showLinkNotice(text);
}

} // namespace tavrin
