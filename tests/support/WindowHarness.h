#pragma once

#include "Find.h"
#include "LoopbackServer.h"
#include "TestEnvironment.h"
#include "TorrentScript.h"
#include "Waits.h"
#include "core/torrents/TorrentListModel.h"
#include "gui/MainWindow.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

namespace tavrin::test {

// The real main window, with stored settings of the test's choosing, pointed at a loopback
// server that records every request. Widgets are reached as assistive tools reach them.
struct WindowHarness {
    explicit WindowHarness(const QMap<QString, QString>& stored = {},
                           MainWindowOptions options = {})
    {
        // "Key" is under [Main]; "Group/Key" under its own group.
        for (auto [key, value] : stored.asKeyValueRange()) {
            const qsizetype slash = key.indexOf(QLatin1Char('/'));
            if (slash < 0)
                env.settings->write(key, value);
            else
                env.settings->writeIn(key.left(slash), key.mid(slash + 1), value);
        }
        if (options.catchUpFile.isEmpty())
            options.catchUpFile = env.path(QStringLiteral("unfinished-torrents"));
        window = std::make_unique<MainWindow>(*env.settings, env.prompter, env.clock, options);
        edit("Host:")->setText(QStringLiteral("127.0.0.1"));
        edit("Port:")->setText(QString::number(server.port()));
    }

    QLineEdit* edit(const QString& name) const { return accessible<QLineEdit>(*window, name); }
    auto* button(const QString& name) const { return accessible<QAbstractButton>(*window, name); }
    QTreeView* list() const { return accessible<QTreeView>(*window, "Torrents"); }
    // The list of torrents in the server's order, and the list as the view shows it.
    const TorrentListModel& model() const { return *window->findChild<TorrentListModel*>(); }
    QAbstractItemModel& shown() const { return *list()->model(); }
    QWidget* listArea() const { return window->findChild<QWidget*>("contentFrame"); }
    QMenu* menu() const { return window->findChild<QMenu*>("torrentMenu"); }
    QAction* menuItem(const char* name) const { return menu()->findChild<QAction*>(name); }

    // Connects with polling so slow that only the test's own refreshes ask.
    void connectAs(const QString& uniqueId)
    {
        edit("Unique ID:")->setText(uniqueId);
        edit("Refresh (secs):")->setText(QStringLiteral("3600"));
        button("Connect")->click();
    }

    // One tick of the refresh timer; returns once its reply has been taken into the list.
    void refresh()
    {
        QSignalSpy done(&model(), &TorrentListModel::replyEnded);
        window->session()->refresh();
        TRY_VERIFY(!done.isEmpty());
    }
    // A reply handed to the window as if it had just arrived; returns once it has been taken in.
    void takeIn(const QByteArray& reply)
    {
        QSignalSpy done(&model(), &TorrentListModel::replyEnded);
        Q_EMIT window->session()->statusReplyArrived(reply);
        TRY_VERIFY(!done.isEmpty());
    }

    // The list's context menu for the row shown at a 1-based position, or for a point of the list.
    void openMenu(int position)
    {
        openMenuAt(list()->visualRect(shown().index(position - 1, 0)).center());
    }
    void openMenuAt(const QPoint& pos)
    {
        QWidget* viewport = list()->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
        QCoreApplication::sendEvent(viewport, &event);
    }

    // The commands of the requests from the n-th on, after their "ID|" line.
    QList<QByteArray> commands(qsizetype from = 0) const { return commandsOf(server, from); }

    TestEnvironment env;
    LoopbackServer server;
    std::unique_ptr<MainWindow> window;
};

} // namespace tavrin::test
