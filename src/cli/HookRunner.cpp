#include "cli/HookRunner.h"

#include "core/platform/MessageText.h"

#include <QProcess>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace tavrin::cli {

namespace {

void say(const QString& text)
{
    const QByteArray bytes = "tavrin-cli: " + text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

// Environment values cannot hold a NUL; the rest of the text goes as it is.
QString environmentValue(const QString& text)
{
    QString value = text;
    value.replace(QChar(0), QChar(0x2400));
    return value;
}

} // namespace

HookRunner::HookRunner(QString command, QString server, QObject* parent)
    : QObject(parent), m_command(std::move(command)), m_server(std::move(server)),
      m_limit(new QTimer(this))
{
    m_limit->setSingleShot(true);
    connect(m_limit, &QTimer::timeout, this, [this] {
        if (!m_process)
            return;
        m_timedOut = true;
        killGroup();
    });
}

HookRunner::~HookRunner()
{
    stop();
}

void HookRunner::run(const QByteArray& id, const QString& name)
{
    m_waiting.append({id, name});
    if (!m_process)
        startNext();
}

void HookRunner::stop()
{
    m_waiting.clear();
    if (!m_process)
        return;
    m_process->disconnect(this);
    killGroup();
    m_process->waitForFinished(5000);
    delete m_process;
    m_process = nullptr;
    m_limit->stop();
}

void HookRunner::killGroup()
{
    if (const qint64 pid = m_process->processId(); pid > 0)
        ::kill(-pid_t(pid), SIGKILL);
    m_process->kill();
}

void HookRunner::startNext()
{
    if (m_waiting.isEmpty())
        return;
    m_current = m_waiting.takeFirst();
    m_timedOut = false;
    m_process = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAVRIN_ID"),
                       environmentValue(QString::fromLatin1(m_current.id)));
    environment.insert(QStringLiteral("TAVRIN_NAME"), environmentValue(m_current.name));
    environment.insert(QStringLiteral("TAVRIN_SERVER"), m_server);
    m_process->setProcessEnvironment(environment);
    // The hook's output joins ours on standard error: standard output carries only events.
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setStandardInputFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardOutput, this, [this] {
        const QByteArray out = m_process->readAllStandardOutput();
        std::fwrite(out.constData(), 1, std::size_t(out.size()), stderr);
        std::fflush(stderr);
    });
    connect(m_process, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus status) {
                onFinished(exitCode, status == QProcess::CrashExit);
            });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onFinished(127, false);
    });
    // Its own process group, so that what the shell started goes with it when it is stopped.
    m_process->setChildProcessModifier([] { ::setpgid(0, 0); });
    m_limit->start(m_limitMs);
    // The command is the user's own text; the torrent is only ever in the environment.
    m_process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), m_command});
}

void HookRunner::onFinished(int exitCode, bool crashed)
{
    if (!m_process)
        return;
    m_limit->stop();
    const QString torrent = terminalCell(QString::fromLatin1(m_current.id), 200);
    if (m_timedOut)
        say(QStringLiteral("the hook for %1 was stopped after %2 seconds")
                .arg(torrent)
                .arg(m_limitMs / 1000));
    else if (crashed)
        say(QStringLiteral("the hook for %1 ended by a signal").arg(torrent));
    else if (exitCode != 0)
        say(QStringLiteral("the hook for %1 exited with status %2").arg(torrent).arg(exitCode));
    m_process->deleteLater();
    m_process = nullptr;
    startNext();
}

} // namespace tavrin::cli
