#pragma once

#include <QProcess>
#include <QSignalSpy>

namespace tavrin::test {

// What a program run to its end left: its exit status (-1 if it crashed or did not end within
// a minute) and its two output streams.
struct ProcessRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program while the event loop keeps serving the test's own servers.
inline ProcessRun
runProcess(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    QSignalSpy done(&process, &QProcess::finished);
    process.start(program, arguments);
    if (!done.wait(60000)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, "did not finish: " + process.errorString().toUtf8()};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace tavrin::test
