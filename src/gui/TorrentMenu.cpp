#include "gui/TorrentMenu.h"

#include <QActionGroup>

namespace tavrin {

TorrentMenu::TorrentMenu(QWidget* parent) : QMenu(QStringLiteral("Menu"), parent)
{
    setObjectName(QStringLiteral("torrentMenu"));
    const auto command = [this](QMenu* menu, const char* name, const QString& caption,
                                Session::TorrentCommand c) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, c] { Q_EMIT commandChosen(c); });
        return action;
    };
    using Command = Session::TorrentCommand;
    m_resumeAction = command(this, "resumeAction", tr("UnPause"), Command::Resume);
    m_pauseAction = command(this, "pauseAction", tr("Pause"), Command::Pause);
    command(this, "stopAction", tr("Stop"), Command::Stop);
    command(this, "queueAction", tr("Queue"), Command::Queue);

    m_priorityMenu = addMenu(tr("Change Priority"));
    m_priorityMenu->setObjectName(QStringLiteral("priorityMenu"));
    m_priorityGroup = new QActionGroup(this);
    // At most one is checked: a priority the server spells otherwise checks none.
    m_priorityGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    // The server's own words for the priorities; shown translated, matched as they are.
    static const char* const captions[] = {QT_TR_NOOP("Highest"), QT_TR_NOOP("High"),
                                           QT_TR_NOOP("Normal"), QT_TR_NOOP("Low"),
                                           QT_TR_NOOP("Lowest")};
    for (int code = 0; code < 5; ++code) {
        QAction* action = m_priorityMenu->addAction(tr(captions[code]));
        action->setProperty("serverPriority", QString::fromLatin1(captions[code]));
        action->setObjectName(QLatin1String(captions[code]).toString().toLower() +
                              QLatin1String("PriorityAction"));
        action->setCheckable(true);
        action->setData(QByteArray::number(code));
        m_priorityGroup->addAction(action);
    }
    connect(m_priorityGroup, &QActionGroup::triggered, this,
            [this](QAction* action) { Q_EMIT priorityChosen(action->data().toByteArray()); });

    command(this, "deleteAction", tr("Delete"), Command::Delete);
}

void TorrentMenu::prepare(QByteArrayView status, QByteArrayView priority, bool showPriorities)
{
    m_priorityMenu->menuAction()->setVisible(showPriorities);
    if (QAction* checked = m_priorityGroup->checkedAction())
        checked->setChecked(false);
    const QString caption = QString::fromLatin1(priority);
    for (QAction* action : m_priorityGroup->actions()) {
        if (action->property("serverPriority").toString() == caption) {
            action->setChecked(true);
            break;
        }
    }
    const bool paused = status == QByteArrayView("pause");
    m_resumeAction->setVisible(paused);
    m_pauseAction->setVisible(!paused);
}

} // namespace tavrin
