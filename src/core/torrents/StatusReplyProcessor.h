#pragma once

#include "core/log/LogBatch.h"
#include "core/net/RequestEngine.h"
#include "core/torrents/SnapshotBuilder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <pugixml.hpp>
#include <vector>

namespace tavrin {

class TorrentListModel;

// What processing one status reply produced besides the list itself.
struct StatusReplyOutcome {
    // The log entries of the reply, in order (empty when the log is not wanted).
    LogBatch logLines;
    // "Error - " and the description of the failure that ended the reply; empty when none.
    QString error;
    // The 1-based position to select again; 0 for none.
    int selectPosition = 0;
};

// Brings the torrent list up to date with a status reply: one item per row, keyed by the
// identifier in its last field, with the fields the working layout shows. Each row is checked
// whole before it touches the list, so a failing row leaves the list as it was before it.
class StatusReplyProcessor {
public:
    explicit StatusReplyProcessor(bool withLog = true) : m_withLog(withLog) {}

    StatusReplyOutcome process(QByteArrayView reply, const pugi::xml_document& layout,
                               TorrentListModel& model, RequestKind kind, int clickedPosition);
    // The same; the log entries share the reply's bytes instead of copying them, and so do the
    // list's rows.
    StatusReplyOutcome process(const QByteArray& reply, const pugi::xml_document& layout,
                               TorrentListModel& model, RequestKind kind, int clickedPosition);

    // Applies what buildSnapshot made of a reply (on any thread) to the list it was built on.
    static StatusReplyOutcome applyBuild(SnapshotBuild build, TorrentListModel& model,
                                         int clickedPosition);

private:
    bool m_withLog;
};

} // namespace tavrin
