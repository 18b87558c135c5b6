#pragma once

#include <QObject>
#include <QStringList>

class QLineEdit;
class QPushButton;
class QWidget;

namespace tavrin {

class ConnectionStatus;
class EventLog;
class LinkInbox;
class Prompter;
class Session;
class StatusBarControls;

// Links coming to the window: typed into the Add Link box, dropped on it, or handed over by
// later starts. While the list is hidden they wait in the box.
class LinkIntake : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QLineEdit& linkEdit;
        QPushButton& addButton;
        // Drops are taken here besides the box.
        QList<QWidget*> dropTargets;
        Session& session;
        EventLog& log;
        Prompter& prompter;
        StatusBarControls& bar;
        ConnectionStatus& status;
    };
    explicit LinkIntake(Parts parts, QObject* parent = nullptr);

    // Receives the links of later starts on `channel`, when no other Tavrin holds it.
    void listen(const QString& channel);
    // Checked links from the command line or another start.
    void receive(const QStringList& links);

Q_SIGNALS:
    // Links came from outside: the window should come to the front.
    void arrivedFromOutside();

private:
    // Why dropped links were refused: in the status bar, or a notice before there is one.
    void showRefusal(const QString& reason);

    Parts m_parts;
    LinkInbox* m_inbox;
};

} // namespace tavrin
