#pragma once

#include "LoopbackServer.h"
#include "TestEnvironment.h"
#include "TorrentScript.h"
#include "gui/MainWindow.h"

#include <QLineEdit>
#include <QMap>

namespace tavrin::test {

// The real main window, with stored settings of the test's choosing, pointed at a loopback
// server that records every request.
struct WindowHarness {
    explicit WindowHarness(const QMap<QString, QString>& stored = {},
                           MainWindowOptions options = {})
    {
        for (auto it = stored.begin(); it != stored.end(); ++it)
            env.settings->write(it.key(), it.value());
        window = std::make_unique<MainWindow>(*env.settings, env.prompter, env.clock, options);
        window->txtHost->setText(QStringLiteral("127.0.0.1"));
        window->txtPort->setText(QString::number(server.port()));
    }

    // The commands of the requests from the n-th on, after their "ID|" line.
    QList<QByteArray> commands(qsizetype from = 0) const { return commandsOf(server, from); }

    TestEnvironment env;
    LoopbackServer server;
    std::unique_ptr<MainWindow> window;
};

} // namespace tavrin::test
