#include "gui/LinkDrops.h"

#include "core/links/LinkCheck.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace tavrin {

void LinkDrops::watch(QWidget* target)
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool LinkDrops::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        const QMimeData* data = drag->mimeData();
        if (data && (data->hasUrls() || data->hasText())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        const links::Checked checked =
            links::check(drop->mimeData() ? links::fromMimeData(*drop->mimeData()) : QStringList());
        if (!checked.refusal.isEmpty())
            Q_EMIT refused(checked.refusal);
        else if (checked.good.isEmpty())
            Q_EMIT refused(tr("the drop holds no link"));
        if (!checked.good.isEmpty())
            Q_EMIT dropped(checked.good);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace tavrin
