#include "StatusReplyWriter.h"

#include "TorrentSimulation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>

namespace kestrunsim {

namespace {

// The status word of the status field and the text of the message field.
struct StatusTexts {
    QByteArrayView word;
    QByteArrayView message;
};

StatusTexts statusTexts(TorrentStatus status)
{
    switch (status) {
    case TorrentStatus::Working:
        return {"WORKING", "Downloading"};
    case TorrentStatus::Seeding:
        return {"COMPLETED/SEEDING", "Seeding"};
    case TorrentStatus::Paused:
        return {"pause", "Paused by user"};
    case TorrentStatus::Stopped:
        return {"STOP", "Stopped"};
    case TorrentStatus::Queued:
        return {"QUEUE", "Waiting in queue"};
    }
    return {};
}

QByteArrayView priorityWord(TorrentPriority priority)
{
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

// Writes fields straight into reserved memory; a row costs no allocation of its own.
class FieldWriter {
public:
    explicit FieldWriter(char* at) : m_at(at) {}
    char* end() const { return m_at; }

    FieldWriter& text(QByteArrayView value)
    {
        separate();
        put(value);
        return *this;
    }
    FieldWriter& number(qint64 value)
    {
        separate();
        putNumber(value);
        return *this;
    }
    FieldWriter& percent(qint64 value)
    {
        separate();
        putNumber(value);
        put('%');
        return *this;
    }
    // Fixed-point text without locale or printf: 2.345 with 2 decimals gives "2.34".
    FieldWriter& fixed(double value, int decimals, QByteArrayView suffix = {})
    {
        separate();
        qint64 scale = 1;
        for (int i = 0; i < decimals; ++i)
            scale *= 10;
        const qint64 scaled = qint64(std::floor(value * double(scale)));
        putNumber(scaled / scale);
        put('.');
        for (qint64 digit = scale / 10; digit > 0; digit /= 10)
            put(char('0' + scaled / digit % 10));
        put(suffix);
        return *this;
    }
    // A byte count the way a client shows it: at most three digits before the unit, cut rather
    // than rounded so a torrent never looks further along than it is ("1.74 GB", "700 MB").
    FieldWriter& size(qint64 bytes)
    {
        separate();
        bytes = std::max<qint64>(bytes, 0);
        static constexpr QByteArrayView units[] = {" B", " KB", " MB", " GB", " TB", " PB"};
        qsizetype unit = 0;
        qint64 divisor = 1;
        for (; unit + 1 < qsizetype(std::size(units)) && bytes >= 1000 * divisor; ++unit)
            divisor *= 1024;
        const qint64 hundredths = bytes / divisor * 100 + bytes % divisor * 100 / divisor;
        const qint64 whole = hundredths / 100;
        putNumber(whole);
        if (unit > 0 && whole < 100) {
            put('.');
            put(char('0' + hundredths / 10 % 10));
            if (whole < 10)
                put(char('0' + hundredths % 10));
        }
        put(units[unit]);
        return *this;
    }
    // "45s", "12m 05s", "1h 02m", "2d 03h"; "-" when unknown.
    FieldWriter& duration(qint64 seconds)
    {
        separate();
        if (seconds < 0) {
            put('-');
        } else if (seconds < 60) {
            putNumber(seconds);
            put('s');
        } else if (seconds < 3600) {
            putPair(seconds / 60, "m ", seconds % 60, 's');
        } else if (seconds < 86400) {
            putPair(seconds / 3600, "h ", seconds / 60 % 60, 'm');
        } else {
            putPair(seconds / 86400, "d ", seconds / 3600 % 24, 'h');
        }
        return *this;
    }
    // Tenths of a percent, rounded down so only a finished torrent shows "100.0%".
    FieldWriter& progress(const Torrent& torrent)
    {
        separate();
        qint64 tenths = 1000;
        if (!torrent.isComplete())
            tenths =
                std::min<qint64>(999, qint64(torrent.downloaded * 1000.0 / double(torrent.size)));
        putNumber(tenths / 10);
        put('.');
        putNumber(tenths % 10);
        put('%');
        return *this;
    }

private:
    void separate()
    {
        if (m_started)
            put('|');
        m_started = true;
    }
    void put(char c) { *m_at++ = c; }
    void put(QByteArrayView value)
    {
        if (value.isEmpty()) // an empty view may carry a null pointer, which memcpy must not get
            return;
        std::memcpy(m_at, value.data(), size_t(value.size()));
        m_at += value.size();
    }
    void putNumber(qint64 value) { m_at = std::to_chars(m_at, m_at + 24, value).ptr; }
    void putPair(qint64 major, QByteArrayView unit, qint64 minor, char minorUnit)
    {
        putNumber(major);
        put(unit);
        if (minor < 10)
            put('0');
        putNumber(minor);
        put(minorUnit);
    }

    char* m_at;
    bool m_started = false;
};

// Upper bound for one row: the variable texts plus room for every other field at full width.
qsizetype rowBound(const Torrent& t)
{
    return t.fileName.size() + t.torrentName.size() + t.destination.size() + t.id.size() + 640;
}

qint64 ratioPercent(const Torrent& t)
{
    return t.downloaded > 0 ? qint64(t.uploaded * 100.0 / t.downloaded) : 0;
}

qint64 connections(const Torrent& t)
{
    return t.isRunning() ? std::min(t.seeds, 40) + std::min(t.peers, 60) : 0;
}

char* writeVersion3Row(char* at, const TorrentSimulation& sim, const Torrent& t)
{
    const qint64 down = sim.downloadSpeed(t);
    const qint64 up = sim.uploadSpeed(t);
    FieldWriter row(at);
    row.text(t.fileName).progress(t).text(statusTexts(t.status).word);
    row.text(priorityWord(t.priority)).duration(sim.etaSeconds(t)).size(t.size);
    row.number(down).number(up).percent(ratioPercent(t));
    row.text(statusTexts(t.status).message).number(t.seeds).number(t.peers).fixed(t.copies, 2);
    row.fixed(t.peerAvgProgress, 1, "%").size(qint64(t.downloaded)).size(qint64(t.uploaded));
    row.number(down + up).text(t.torrentName).text(t.destination).duration(t.seedingMs / 1000);
    row.number(connections(t)).text(t.unlimitedSeeding ? "Unlimited" : "Ratio 150%");
    row.text(t.id);
    return row.end();
}

char* writeVersion2Row(char* at, const TorrentSimulation& sim, const Torrent& t)
{
    const qint64 down = sim.downloadSpeed(t);
    const qint64 up = sim.uploadSpeed(t);
    FieldWriter row(at);
    row.text(t.fileName).progress(t).text(statusTexts(t.status).word);
    row.duration(sim.etaSeconds(t)).number(down).size(t.size).number(up);
    row.percent(ratioPercent(t)).number(t.peers).number(t.seeds);
    row.fixed(t.copies, 2).size(qint64(t.downloaded)).size(qint64(t.uploaded));
    row.fixed(t.peerAvgProgress, 1, "%").number(down + up);
    row.text(t.id);
    return row.end();
}

} // namespace

StatusReplyWriter::StatusReplyWriter(int serverVersion) : m_serverVersion(serverVersion) {}

QByteArray StatusReplyWriter::write(const TorrentSimulation& simulation) const
{
    const QByteArray header = "Kestrun simulator v" + QByteArray::number(m_serverVersion) + ": " +
                              QByteArray::number(simulation.count()) + " torrents\n";
    QByteArray out;
    out.reserve(header.size() + qsizetype(simulation.count()) * 400);
    out.append(header);
    qsizetype used = out.size();
    for (const auto& [serial, torrent] : simulation.torrents()) {
        out.resize(used + rowBound(torrent));
        char* at = out.data() + used;
        at = m_serverVersion == 2 ? writeVersion2Row(at, simulation, torrent)
                                  : writeVersion3Row(at, simulation, torrent);
        *at++ = '\n';
        used = at - out.constData();
    }
    out.resize(used);
    return out;
}

QByteArray StatusReplyWriter::progressText(const Torrent& torrent)
{
    char buffer[32];
    return QByteArray(buffer, FieldWriter(buffer).progress(torrent).end() - buffer);
}

QByteArray StatusReplyWriter::sizeText(qint64 bytes)
{
    char buffer[48];
    return QByteArray(buffer, FieldWriter(buffer).size(bytes).end() - buffer);
}

QByteArray StatusReplyWriter::durationText(qint64 seconds)
{
    char buffer[48];
    return QByteArray(buffer, FieldWriter(buffer).duration(seconds).end() - buffer);
}

} // namespace kestrunsim
