#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace tavrin {

class Session;

// Links from outside (the command line, another start, a drop), already checked. While the list
// is shown each is added at once, through the same one-at-a-time path as the Add button;
// otherwise they wait, the first in the Add Link box, until the user adds it.
class LinkInbox : public QObject {
    Q_OBJECT
public:
    explicit LinkInbox(Session& session, QObject* parent = nullptr);

    void receive(const QStringList& links);
    // The links still to be added, the first of them in the Add Link box.
    const QStringList& waiting() const { return m_waiting; }
    // The Add button sent `text`: when it is the first waiting link, the next takes its place.
    void onAdded(const QString& text);

Q_SIGNALS:
    // A new first waiting link, for the Add Link box to show.
    void firstWaitingChanged(const QString& link);
    // How many links wait, for the status bar.
    void waitingCountChanged(int count);

private:
    Session& m_session;
    QStringList m_waiting;
};

} // namespace tavrin
