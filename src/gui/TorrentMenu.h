#pragma once

#include "core/session/Session.h"

#include <QMenu>

class QActionGroup;

namespace tavrin {

// The torrent list's context menu: the per-torrent commands and, for version 3, the priorities.
class TorrentMenu : public QMenu {
    Q_OBJECT
public:
    explicit TorrentMenu(QWidget* parent = nullptr);

    // Offers UnPause for a paused torrent and Pause otherwise, and checks its priority by caption.
    void prepare(QByteArrayView status, QByteArrayView priority, bool showPriorities);

Q_SIGNALS:
    void commandChosen(tavrin::Session::TorrentCommand command);
    // code "0" (Highest) to "4" (Lowest)
    void priorityChosen(const QByteArray& code);

private:
    QAction* m_resumeAction = nullptr;
    QAction* m_pauseAction = nullptr;
    QMenu* m_priorityMenu = nullptr;
    QActionGroup* m_priorityGroup = nullptr;
};

} // namespace tavrin
