#pragma once

#include "core/servers/SavedServers.h"

#include <QMenu>
#include <functional>

class QDialog;

namespace tavrin {

// The Servers submenu: "Save Current Server...", "Manage Servers..." and one item per saved
// server, which fills the connection fields as if typed. The saved ones are read afresh each
// time the menu opens.
class ServersMenu : public QMenu {
    Q_OBJECT
public:
    // `runDialog` shows a dialog modally (tests run it themselves).
    ServersMenu(SavedServers& servers, std::function<void(QDialog&)> runDialog,
                QWidget* parent = nullptr);

    // What a save stores: the connection fields and version as they stand.
    std::function<SavedServer()> current;
    // Saved servers can be picked only while the connection fields can be edited.
    void setPickingEnabled(bool enabled) { m_pickingEnabled = enabled; }

Q_SIGNALS:
    void picked(const tavrin::SavedServer& server);

private:
    void rebuild();
    void saveCurrent();
    void manage();

    SavedServers& m_servers;
    std::function<void(QDialog&)> m_runDialog;
    bool m_pickingEnabled = true;
};

} // namespace tavrin
