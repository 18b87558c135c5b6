#pragma once

#include "core/columns/ColumnPlan.h"
#include "core/torrents/TorrentIdIndex.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace tavrin {

// The torrent list at one moment, never changed once built, so the window can show it while the
// next one is built on another thread. Each item is a span of the reply it last came in (or of
// a carry buffer for items a failing reply did not reach); its main text is the row's main field
// unless the field changed since the item was added, when the text it was added with is kept.
struct ListSnapshot {
    // One item. 48 bytes: at 100,000 torrents the rows cost less than their text. What the next
    // reply is compared with is held here, so the previous reply's bytes are rarely read again.
    struct Row {
        quint32 at = 0;            // where the row text starts; its top bit: in the carry buffer
        quint32 length = 0;        // of the row text, which ends with the identifier
        quint64 rowHash = 0;       // of the row text
        quint64 idHead = 0;        // the identifier's first eight bytes (idHead()), zero-padded
        quint64 mainHash = 0;      // rowHash() of the main field the row was filled with
        quint32 idLength : 31 = 0; // the identifier is the last idLength bytes of the row text
        quint32 complete : 1 = 0;  // finished: what isComplete says of its status and progress
        quint32 mainText = 0;      // 0: the row's main field; k: mainTexts[k - 1]
        float downloadSpeed = 0;   // what the speed fields mean, in bytes per second
        float uploadSpeed = 0;
    };
    static constexpr quint32 inCarry = 0x80000000u;

    QByteArray reply;                            // the reply the rows came in
    QByteArray carry;                            // rows a failing reply did not reach, copied
    std::vector<QByteArray> mainTexts;           // main texts that differ from the row's main field
    std::vector<Row> rows;                       // in the list's order
    std::shared_ptr<const TorrentIdIndex> index; // identifier -> row; shared while rows stay put
    ColumnPlan::Key plan;                        // plan.fields: the field each cell shows
    double downloadTotal = 0;                    // the rows' speeds summed
    double uploadTotal = 0;

    // The 64-bit hash rows are compared by: equal hashes, same row text.
    static quint64 rowHash(QByteArrayView row);
    // The first eight bytes of an identifier, zero-padded: for identifiers of up to eight bytes,
    // equal heads and lengths are equal identifiers.
    static quint64 idHead(QByteArrayView id)
    {
        quint64 head = 0;
        std::memcpy(&head, id.data(), std::size_t(std::min<qsizetype>(id.size(), 8)));
        return head;
    }
    // Whether the item at `row` carries this identifier, reading its bytes only when it is long.
    bool hasId(int row, QByteArrayView id) const
    {
        const Row& item = rows[std::size_t(row)];
        if (item.idLength != id.size() || item.idHead != idHead(id))
            return false;
        return id.size() <= 8 || std::memcmp(rowText(item).last(id.size()).data(), id.data(),
                                             std::size_t(id.size())) == 0;
    }

    int count() const { return static_cast<int>(rows.size()); }
    QByteArrayView rowText(const Row& row) const
    {
        const QByteArray& buffer = (row.at & inCarry) ? carry : reply;
        return QByteArrayView(buffer).sliced(row.at & ~inCarry, row.length);
    }
    QByteArrayView rowText(int row) const { return rowText(rows[std::size_t(row)]); }
    QByteArrayView id(int row) const
    {
        const Row& item = rows[std::size_t(row)];
        return rowText(item).last(item.idLength);
    }
    // The 0-based row of the item with this identifier, or -1.
    int find(QByteArrayView id) const
    {
        return index ? index->find(id, [this](int r) { return this->id(r); }) : -1;
    }
    // The field the main text shows when it is the row's own: empty for a kept main text.
    QByteArrayView mainField(const Row& row) const;
    // What column `column` is shown from: a kept main text as shown, or the row's field before
    // it is displayed (`displayed` false).
    QByteArrayView cellSource(int row, int column, bool& displayed) const;

    // What sorting and filtering read of one item, found in one walk along its row.
    struct ViewFields {
        // Kept data fields, empty where the row has none (never the identifier).
        QByteArrayView name;
        QByteArrayView status;
        QByteArrayView progress;
        // Column `sortColumn` as shown (in `shown`'s bytes when it had to be displayed).
        QByteArrayView sortCell;
    };
    ViewFields viewFields(int row, int sortColumn, QByteArray& shown) const;
};

using SnapshotPtr = std::shared_ptr<const ListSnapshot>;

} // namespace tavrin
