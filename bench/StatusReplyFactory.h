#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

// Status replies in the version 3 layout: 22 data fields and the identifier per row.
namespace tavrin::bench {

class StatusReplyFactory {
public:
    static constexpr int dataFields = 22;

    explicit StatusReplyFactory(int torrents) : m_ids(torrents), m_cells(torrents)
    {
        for (int t = 0; t < torrents; ++t)
            newTorrent(t);
    }

    QByteArray reply() const
    {
        QByteArray text = "Torrents\n";
        text.reserve(static_cast<qsizetype>(m_ids.size()) * 220);
        for (qsizetype t = 0; t < m_ids.size(); ++t) {
            for (int f = 0; f < dataFields; ++f)
                text.append(cell(t, f)).append('|');
            text.append(m_ids.at(t)).append('\n');
        }
        return text;
    }

    // Changes `percentCells` % of the data cells and replaces `percentTorrents` % of the torrents
    // with new ones, spread evenly so the result is the same on every run.
    void step(int percentCells, int percentTorrents)
    {
        const qsizetype total = m_ids.size() * dataFields;
        const qsizetype cellStride = 100 / percentCells;
        for (qsizetype c = (m_round % cellStride); c < total; c += cellStride)
            ++m_cells[c / dataFields][c % dataFields];
        const qsizetype torrentStride = 100 / percentTorrents;
        for (qsizetype t = (m_round * 7) % torrentStride; t < m_ids.size(); t += torrentStride)
            newTorrent(static_cast<int>(t));
        ++m_round;
    }

private:
    void newTorrent(int t)
    {
        m_ids[t] = QByteArray("T") + QByteArray::number(m_next);
        QList<std::int64_t>& cells = m_cells[t];
        cells.resize(dataFields);
        for (int f = 0; f < dataFields; ++f)
            cells[f] = (m_next * 7919 + f * 104729) % 5000000;
        cells[5] += 3000000000LL; // sizes in bytes beyond 32 bits
        ++m_next;
    }

    QByteArray cell(qsizetype t, int f) const
    {
        const std::int64_t v = m_cells.at(t).at(f);
        switch (f) {
        case 0:
            return "debian-12." + QByteArray::number(v % 97) + "-amd64-netinst.iso";
        case 2:
            return v % 3 == 0 ? "WORKING" : (v % 3 == 1 ? "COMPLETED/SEEDING" : "pause");
        case 3:
            return v % 2 == 0 ? "Normal" : "High";
        case 9:
            return v % 5 == 0 ? "Tracker timed out " + QByteArray::number(v % 60) : "OK";
        case 17:
            return "Torrent " + QByteArray::number(v);
        case 18:
            return "/srv/torrents/incoming/" + QByteArray::number(v % 13);
        case 21:
            return "Ratio " + QByteArray::number(v % 4);
        default:
            return QByteArray::number(v);
        }
    }

    QList<QByteArray> m_ids;
    QList<QList<std::int64_t>> m_cells;
    std::int64_t m_next = 1;
    qsizetype m_round = 0;
};

} // namespace tavrin::bench
