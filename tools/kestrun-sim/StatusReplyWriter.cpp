#include "StatusReplyWriter.h"

#include "TorrentSimulation.h"

#include <charconv>
#include <cmath>

namespace kestrunsim {

namespace {

QByteArrayView statusWord(TorrentStatus status) {
    switch (status) {
    case TorrentStatus::Working:
        return "WORKING";
    case TorrentStatus::Seeding:
        return "COMPLETED/SEEDING";
    case TorrentStatus::Paused:
        return "pause";
    case TorrentStatus::Stopped:
        return "STOP";
    case TorrentStatus::Queued:
        return "QUEUE";
    }
    return "";
}

QByteArrayView statusMessage(TorrentStatus status) {
    switch (status) {
    case TorrentStatus::Working:
        return "Downloading";
    case TorrentStatus::Seeding:
        return "Seeding";
    case TorrentStatus::Paused:
        return "Paused by user";
    case TorrentStatus::Stopped:
        return "Stopped";
    case TorrentStatus::Queued:
        return "Waiting in queue";
    }
    return "";
}

QByteArrayView priorityWord(TorrentPriority priority) {
    switch (priority) {
    case TorrentPriority::Highest:
        return "Highest";
    case TorrentPriority::High:
        return "High";
    case TorrentPriority::Normal:
        return "Normal";
    case TorrentPriority::Low:
        return "Low";
    case TorrentPriority::Lowest:
        return "Lowest";
    }
    return "";
}

void appendNumber(QByteArray& out, qint64 value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendPadded(QByteArray& out, qint64 value) {
    if (value < 10)
        out.append('0');
    appendNumber(out, value);
}

// Fixed-point text without locale or printf overhead: 2.345 with 2 decimals gives "2.34".
void appendFixed(QByteArray& out, double value, int decimals) {
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const qint64 scaled = qint64(std::floor(value * double(scale)));
    appendNumber(out, scaled / scale);
    out.append('.');
    for (qint64 digit = scale / 10; digit > 0; digit /= 10)
        out.append(char('0' + scaled / digit % 10));
}

// Appends the fields of one row, each preceded by the separator except the first.
class RowBuilder {
public:
    explicit RowBuilder(QByteArray& out) : m_out(out) {}
    RowBuilder& text(QByteArrayView value) {
        separate();
        m_out.append(value);
        return *this;
    }
    RowBuilder& number(qint64 value) {
        separate();
        appendNumber(m_out, value);
        return *this;
    }
    RowBuilder& fixed(double value, int decimals, QByteArrayView suffix = {}) {
        separate();
        appendFixed(m_out, value, decimals);
        m_out.append(suffix);
        return *this;
    }
    RowBuilder& duration(qint64 seconds) {
        separate();
        m_out.append(StatusReplyWriter::durationText(seconds));
        return *this;
    }

private:
    void separate() {
        if (m_started)
            m_out.append('|');
        m_started = true;
    }
    QByteArray& m_out;
    bool m_started = false;
};

qint64 ratioPercent(const Torrent& t) {
    return t.downloaded > 0 ? qint64(t.uploaded * 100.0 / t.downloaded) : 0;
}

qint64 connections(const Torrent& t) {
    return t.isRunning() ? std::min(t.seeds, 40) + std::min(t.peers, 60) : 0;
}

void writeVersion3Row(QByteArray& out, const TorrentSimulation& sim, const Torrent& t) {
    const qint64 down = sim.downloadSpeed(t);
    const qint64 up = sim.uploadSpeed(t);
    RowBuilder row(out);
    row.text(t.fileName).text(StatusReplyWriter::progressText(t)).text(statusWord(t.status));
    row.text(priorityWord(t.priority)).duration(sim.etaSeconds(t)).number(t.size);
    row.number(down).number(up).text(QByteArray::number(ratioPercent(t)) + '%');
    row.text(statusMessage(t.status)).number(t.seeds).number(t.peers).fixed(t.copies, 2);
    row.fixed(t.peerAvgProgress, 1, "%").number(qint64(t.downloaded)).number(qint64(t.uploaded));
    row.number(down + up).text(t.torrentName).text(t.destination).duration(t.seedingMs / 1000);
    row.number(connections(t)).text(t.unlimitedSeeding ? "Unlimited" : "Ratio 150%");
    row.text(t.id);
}

void writeVersion2Row(QByteArray& out, const TorrentSimulation& sim, const Torrent& t) {
    const qint64 down = sim.downloadSpeed(t);
    const qint64 up = sim.uploadSpeed(t);
    RowBuilder row(out);
    row.text(t.fileName).text(StatusReplyWriter::progressText(t)).text(statusWord(t.status));
    row.duration(sim.etaSeconds(t)).number(down).number(t.size).number(up);
    row.text(QByteArray::number(ratioPercent(t)) + '%').number(t.peers).number(t.seeds);
    row.fixed(t.copies, 2).number(qint64(t.downloaded)).number(qint64(t.uploaded));
    row.fixed(t.peerAvgProgress, 1, "%").number(down + up);
    row.text(t.id);
}

} // namespace

StatusReplyWriter::StatusReplyWriter(int serverVersion) : m_serverVersion(serverVersion) {}

QByteArray StatusReplyWriter::write(const TorrentSimulation& simulation) const {
    QByteArray out;
    out.reserve(64 + qsizetype(simulation.count()) * 320);
    out.append("Kestrun simulator v");
    appendNumber(out, m_serverVersion);
    out.append(": ");
    appendNumber(out, simulation.count());
    out.append(" torrents\n");
    for (const auto& [serial, torrent] : simulation.torrents()) {
        if (m_serverVersion == 2)
            writeVersion2Row(out, simulation, torrent);
        else
            writeVersion3Row(out, simulation, torrent);
        out.append('\n');
    }
    return out;
}

QByteArray StatusReplyWriter::progressText(const Torrent& torrent) {
    qint64 tenths = 1000;
    if (!torrent.isComplete())
        tenths = std::min<qint64>(999, qint64(torrent.downloaded * 1000.0 / double(torrent.size)));
    QByteArray out;
    appendNumber(out, tenths / 10);
    out.append('.');
    appendNumber(out, tenths % 10);
    out.append('%');
    return out;
}

QByteArray StatusReplyWriter::durationText(qint64 seconds) {
    if (seconds < 0)
        return "-";
    QByteArray out;
    if (seconds < 60) {
        appendNumber(out, seconds);
        out.append('s');
    } else if (seconds < 3600) {
        appendNumber(out, seconds / 60);
        out.append("m ");
        appendPadded(out, seconds % 60);
        out.append('s');
    } else if (seconds < 86400) {
        appendNumber(out, seconds / 3600);
        out.append("h ");
        appendPadded(out, seconds / 60 % 60);
        out.append('m');
    } else {
        appendNumber(out, seconds / 86400);
        out.append("d ");
        appendPadded(out, seconds / 3600 % 24);
        out.append('h');
    }
    return out;
}

} // namespace kestrunsim
