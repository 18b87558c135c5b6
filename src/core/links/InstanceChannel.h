#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace tavrin::links {

// The local socket through which a second start hands its links to the running Tavrin: one
// per user, in the user's runtime directory (a test points XDG_RUNTIME_DIR at its own).
QString defaultChannelName();

// What became of a hand-over.
struct HandOver {
    enum class Outcome {
        Handed,      // the running Tavrin took the links
        NoneRunning, // nobody listens: this start opens the window itself
        Failed       // somebody listens but did not take them; `error` says why
    };
    Outcome outcome = Outcome::NoneRunning;
    QString error;
};

// Gives the links to the Tavrin listening on `name`, waiting at most `timeoutMs` for its answer.
// Blocking: it runs before any window exists.
HandOver handOverLinks(const QString& name, const QStringList& links, int timeoutMs = 10000);

// The running Tavrin's end: owns the name while it lives and tells of the links that arrive.
// Each connection is bounded in size and time, and its links are checked again.
class LinkReceiver : public QObject {
    Q_OBJECT
public:
    explicit LinkReceiver(QObject* parent = nullptr);
    ~LinkReceiver() override;

    // Takes the name unless a live Tavrin holds it. A socket file left by a crash is replaced;
    // anything at the path that is not a socket (a symbolic link, a plain file) is left alone.
    bool listen(const QString& name);
    bool isListening() const;
    // Why listen() failed, for the log.
    QString error() const { return m_error; }
    // How long one sender may take.
    void setTimeout(int ms) { m_timeoutMs = ms; }

Q_SIGNALS:
    // Links handed over, in their order; refused ones are not among them.
    void linksReceived(const QStringList& links);
    // A handed link failed the check; the reason for the log.
    void linkRefused(const QString& reason);

private:
    void onNewConnection();
    void readFrom(QLocalSocket* socket);

    QLocalServer* m_server = nullptr;
    QString m_error;
    int m_timeoutMs = 10000;
};

} // namespace tavrin::links
