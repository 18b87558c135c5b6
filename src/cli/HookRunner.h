#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QProcess;
class QTimer;

namespace tavrin::cli {

// Runs `--on-finish` once per finished torrent through /bin/sh -c, one at a time and in order.
// The torrent reaches the command only as environment variables (TAVRIN_ID, TAVRIN_NAME,
// TAVRIN_SERVER), never as shell text. A hook that fails is reported on standard error; one that
// runs past the limit is stopped. Its output goes to standard error, so the stream stays JSON.
class HookRunner : public QObject {
    Q_OBJECT
public:
    HookRunner(QString command, QString server, QObject* parent = nullptr);
    ~HookRunner() override;

    void run(const QByteArray& id, const QString& name);
    // Stops the running hook and forgets the waiting ones.
    void stop();
    // How long one hook may run.
    void setLimit(int ms) { m_limitMs = ms; }

private:
    struct Job {
        QByteArray id;
        QString name;
    };
    void startNext();
    void onFinished(int exitCode, bool crashed);
    // Stops the hook and everything it started.
    void killGroup();

    QString m_command;
    QString m_server;
    QList<Job> m_waiting;
    QProcess* m_process = nullptr;
    QTimer* m_limit = nullptr;
    Job m_current;
    bool m_timedOut = false;
    int m_limitMs = 60000;
};

} // namespace tavrin::cli
