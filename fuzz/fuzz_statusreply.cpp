// Applies arbitrary status replies to the torrent list, under the built-in layouts and hand-edited
// ones, and reads every cell back. A plain, slow account of what the list must hold after each
// reply is kept beside it: items keyed by the last field of their rows, in order of first
// appearance, unique, with the displayed fields the layout names.
//
// Input: byte 0, bits 0-1 the layout (version 3, version 2, a fixed hand-edited one, a built-in
// one edited by the ops that follow), bits 2-4 the clicked position, all of bits 5-7 set for
// replies to a command instead of a status query. For the edited layout byte 1 picks the base
// (bit 7) and the number of ops (bits 0-2), one byte each. The rest is one or more replies,
// separated by the byte 0x1E, applied one after another to the same list; a reply that starts
// with 0x1F is preceded by one more edit, the op in its next byte.

#include "FuzzCheck.h"

#include "core/columns/ColumnLayout.h"
#include "core/columns/ColumnPlan.h"
#include "core/torrents/FieldDisplay.h"
#include "core/torrents/StatusReplyProcessor.h"
#include "core/torrents/TorrentListModel.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <pugixml.hpp>

namespace columns = tavrin::columns;
using tavrin::ColumnPlan;

namespace {

// Fields in document order 1..6; display order Done, Name, Speed, Extra; State hidden; Spare
// shares the last position, as the built-in layouts do with their last element.
const char* const handEdited = "<Cols>"
                               "<Col key='Name' index='2' show='1'/>"
                               "<Col key='Done' width='900' index='1' show='1'/>"
                               "<Col key='State' index='4' show='0'/>"
                               "<Col key='Speed' index='3' show='1'/>"
                               "<Col key='Extra' index='5' show='1'/>"
                               "<Col key='Spare' index='5' show='1'/>"
                               "</Cols>";

// One byte's edit of a layout, as a user might make it by hand.
void edit(pugi::xml_document& layout, std::uint8_t op)
{
    pugi::xml_node root = layout.document_element();
    QList<pugi::xml_node> cols;
    for (pugi::xml_node col = root.child("Col"); col; col = col.next_sibling("Col"))
        cols.append(col);
    if (cols.isEmpty())
        return;
    pugi::xml_node col = cols.at((op & 31) % cols.size());
    pugi::xml_node next = cols.at(((op & 31) + 1) % cols.size());
    switch (op >> 5) {
    case 0:
    case 1: {
        const bool shown = columns::isShown(col);
        col.attribute("show").set_value(shown ? "0" : "1");
        break;
    }
    case 2: { // swap display positions
        const std::string mine = col.attribute("index").value();
        col.attribute("index").set_value(next.attribute("index").value());
        next.attribute("index").set_value(mine.c_str());
        break;
    }
    case 3:
        col.remove_attribute("show");
        break;
    case 4: { // a leading zero leaves a gap
        const std::string padded = std::string("0") + col.attribute("index").value();
        col.attribute("index").set_value(padded.c_str());
        break;
    }
    case 5:
        col.attribute("show").set_value(" 1");
        break;
    case 6: // another field order
        root.prepend_move(col);
        break;
    default:
        root.remove_child(col);
        break;
    }
}

struct ExpectedItem {
    QByteArray id;
    QStringList cells; // [0] main text, [k] sub-item k
};

int find(const QList<ExpectedItem>& items, const QByteArray& id)
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items.at(i).id == id)
            return static_cast<int>(i);
    }
    return -1;
}

struct Expected {
    QList<ExpectedItem> items;
    bool fails = false;
    int selectPosition = 0;
};

// What the list must hold after a status reply, worked out row by row without shortcuts.
Expected expectedAfter(const QList<ExpectedItem>& before, const QByteArray& reply,
                       const ColumnPlan& plan, int clickedPosition)
{
    Expected expected{before, false, 0};
    QList<QByteArray> lines = reply.split('\n');
    lines.removeFirst();
    QSet<QByteArray> seen;
    for (const QByteArray& row : std::as_const(lines)) {
        if (row.isEmpty())
            continue;
        if (plan.start() == ColumnPlan::Start::NoneShown)
            return expected; // ends quietly, the list as it was
        if (plan.start() == ColumnPlan::Start::Fails || !plan.walkFailure().isEmpty()) {
            expected.fails = true;
            return expected;
        }
        const QList<QByteArray> fields = row.split('|');
        const QByteArray& id = fields.last();
        const int at = find(expected.items, id);
        for (qsizetype k = at < 0 ? 0 : 1; k < plan.fields().size(); ++k) {
            if (plan.fields().at(k) > fields.size()) {
                expected.fails = true;
                return expected;
            }
        }
        // A found item keeps its main text (its field may be missing).
        QStringList cells;
        for (qsizetype k = 0; k < plan.fields().size(); ++k) {
            cells.append(k == 0 && at >= 0
                             ? expected.items.at(at).cells.at(0)
                             : tavrin::display::displayedValue(fields.at(plan.fields().at(k) - 1)));
        }
        if (at < 0) {
            expected.items.append({id, cells});
        } else {
            cells.append(expected.items.at(at).cells.mid(cells.size()));
            expected.items[at].cells = cells;
        }
        seen.insert(id);
    }
    expected.items.removeIf([&](const ExpectedItem& item) { return !seen.contains(item.id); });
    if (clickedPosition > 0 && expected.items.size() >= clickedPosition)
        expected.selectPosition = clickedPosition;
    return expected;
}

void compare(const tavrin::TorrentListModel& model, const QList<ExpectedItem>& items)
{
    FUZZ_CHECK(model.rowCount() == items.size() && model.count() == items.size());
    QSet<QByteArray> ids;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QByteArray id = model.torrentId(row + 1);
        FUZZ_CHECK(id == items.at(row).id);
        ids.insert(id);
        for (int column = 0; column < model.columnCount(); ++column) {
            const QString cell = model.data(model.index(row, column)).toString();
            const QStringList& cells = items.at(row).cells;
            FUZZ_CHECK(cell == (column < cells.size() ? cells.at(column) : QString()));
        }
    }
    FUZZ_CHECK(ids.size() == model.rowCount());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 2)
        return 0;
    const int mode = bytes[0] & 3;
    const int clickedPosition = (bytes[0] >> 2) & 7;
    const auto kind =
        (bytes[0] >> 5) == 7 ? tavrin::RequestKind::Single : tavrin::RequestKind::Status;
    std::size_t used = 1;

    pugi::xml_document layout;
    if (mode == 2) {
        columns::parse(layout, QString::fromLatin1(handEdited));
    } else if (mode == 3) {
        columns::parse(layout, columns::defaultText(!(bytes[1] & 0x80)));
        const std::size_t ops = bytes[1] & 7;
        used = 2 + ops;
        if (size < used)
            return 0;
        for (std::size_t i = 0; i < ops; ++i)
            edit(layout, bytes[2 + i]);
    } else {
        columns::parse(layout, columns::defaultText(mode == 0));
    }

    tavrin::TorrentListModel model;
    QStringList captions;
    for (const columns::ColumnHeader& header : columns::columnHeaders(layout))
        captions.append(header.caption);
    model.setColumns(captions);
    ColumnPlan plan = ColumnPlan::resolve(layout);

    tavrin::StatusReplyProcessor processor(false);
    QList<ExpectedItem> items;
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes) + used,
                                                     static_cast<qsizetype>(size - used));
    for (QByteArray reply : input.split('\x1e')) {
        // A reply that starts with 0x1F and an op is met by the layout edited once more; as in
        // the window, new columns empty the list first.
        if (reply.size() >= 2 && reply.at(0) == '\x1f') {
            edit(layout, static_cast<std::uint8_t>(reply.at(1)));
            reply = reply.sliced(2);
            plan = ColumnPlan::resolve(layout);
            captions.clear();
            for (const columns::ColumnHeader& header : columns::columnHeaders(layout))
                captions.append(header.caption);
            model.setColumns(captions);
            items.clear();
        }
        const tavrin::StatusReplyOutcome outcome =
            processor.process(reply, layout, model, kind, clickedPosition);
        FUZZ_CHECK(outcome.logLines.isEmpty());
        if (kind != tavrin::RequestKind::Status) {
            FUZZ_CHECK(outcome.error.isEmpty() && outcome.selectPosition == 0);
            FUZZ_CHECK(model.rowCount() == 0);
            continue;
        }
        const Expected expected = expectedAfter(items, reply, plan, clickedPosition);
        FUZZ_CHECK(outcome.error.isEmpty() == !expected.fails);
        FUZZ_CHECK(outcome.selectPosition == expected.selectPosition);
        compare(model, expected.items);
        items = expected.items;
    }
    return 0;
}
