#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <functional>
#include <string_view>
#include <vector>

namespace tavrin {

// Finds the first row carrying an identifier in constant time: an open-addressing table of row
// numbers. The identifiers themselves stay in the rows; `idOf(row)` reads them, so nothing is
// copied.
class TorrentIdIndex {
public:
    static quint32 hash(QByteArrayView id)
    {
        return static_cast<quint32>(
            std::hash<std::string_view>{}(std::string_view(id.data(), id.size())));
    }

    template <typename IdOf> int find(QByteArrayView id, const IdOf& idOf) const
    {
        if (m_slots.empty())
            return -1;
        const quint32 h = hash(id);
        for (std::size_t i = h & mask();; i = (i + 1) & mask()) {
            const Slot& slot = m_slots[i];
            if (slot.row < 0)
                return -1;
            if (slot.hash == h && idOf(slot.row) == id)
                return slot.row;
        }
    }

    // Adds the row unless an earlier row carries the same identifier.
    template <typename IdOf> void insert(QByteArrayView id, int row, const IdOf& idOf)
    {
        if ((m_count + 1) * 4 > static_cast<qsizetype>(m_slots.size()) * 3)
            grow();
        const quint32 h = hash(id);
        for (std::size_t i = h & mask();; i = (i + 1) & mask()) {
            Slot& slot = m_slots[i];
            if (slot.row < 0) {
                slot = {h, row};
                ++m_count;
                return;
            }
            if (slot.hash == h && idOf(slot.row) == id)
                return;
        }
    }

    // Indexes rows 0 .. rows - 1 afresh.
    template <typename IdOf> void rebuild(int rows, const IdOf& idOf)
    {
        std::size_t size = 16;
        // At most three quarters full: short probes, and a quarter less memory than half.
        while (size * 3 < static_cast<std::size_t>(rows) * 4 + 4)
            size *= 2;
        m_slots.assign(size, Slot{});
        m_count = 0;
        for (int row = 0; row < rows; ++row)
            insert(idOf(row), row, idOf);
    }

    // The number of distinct identifiers indexed.
    qsizetype size() const { return m_count; }

    void clear()
    {
        m_slots.clear();
        m_count = 0;
    }

private:
    struct Slot {
        quint32 hash = 0;
        qint32 row = -1;
    };

    std::size_t mask() const { return m_slots.size() - 1; }

    void grow()
    {
        std::vector<Slot> old;
        old.swap(m_slots);
        m_slots.assign(old.empty() ? 16 : old.size() * 2, Slot{});
        for (const Slot& slot : old) {
            if (slot.row < 0)
                continue;
            std::size_t i = slot.hash & mask();
            while (m_slots[i].row >= 0)
                i = (i + 1) & mask();
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    qsizetype m_count = 0;
};

} // namespace tavrin
