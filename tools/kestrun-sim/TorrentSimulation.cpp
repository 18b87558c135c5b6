#include "TorrentSimulation.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cmath>

namespace kestrunsim {

namespace {

constexpr std::array<const char*, 24> sampleNames{
    "ubuntu-24.04-desktop-amd64.iso",
    "debian-12.5.0-amd64-netinst.iso",
    "Fedora-Workstation-Live-x86_64-40-1.14.iso",
    "archlinux-2024.05.01-x86_64.iso",
    "linuxmint-21.3-cinnamon-64bit.iso",
    "big_buck_bunny_1080p_h264.mov",
    "Sintel.2010.1080p.mkv",
    "tears_of_steel_1080p.webm",
    "elephants_dream_1024.avi",
    "blender-4.1.1-linux-x64.tar.xz",
    "LibreOffice_24.2.3_Linux_x86-64_deb.tar.gz",
    "wikipedia_en_all_nopic_2024-04.zim",
    "openSUSE-Tumbleweed-DVD-x86_64-Current.iso",
    "kali-linux-2024.1-installer-amd64.iso",
    "FreeBSD-14.0-RELEASE-amd64-disc1.iso",
    "Rocky-9.3-x86_64-minimal.iso",
    "Pop_OS-22.04-amd64-intel_38.iso",
    "manjaro-kde-23.1.4-240406-linux66.iso",
    "gimp-2.10.36-setup.exe",
    "Cosmos_Laundromat_2015_1080p.mp4",
    "project_gutenberg_top100_epub.zip",
    "nasa_apollo11_onboard_audio.flac",
    "openstreetmap-europe-latest.osm.pbf",
    "tails-amd64-6.2.img",
};

// From a small archive to a dual-layer DVD image, the span of the sample names.
constexpr qint64 minSize = 30'000'000;
constexpr qint64 maxSize = 8'000'000'000;
// Byte counters are doubles, which count single bytes exactly only up to 2^53; a seeding torrent
// left running for years stops there instead of showing rounded-off byte counts.
constexpr double maxCounter = 9'007'199'254'740'992.0;

double priorityFactor(TorrentPriority priority)
{
    switch (priority) {
    case TorrentPriority::Highest:
        return 1.6;
    case TorrentPriority::High:
        return 1.3;
    case TorrentPriority::Normal:
        return 1.0;
    case TorrentPriority::Low:
        return 0.7;
    case TorrentPriority::Lowest:
        return 0.4;
    }
    return 1.0;
}

// A row's fields are "|"-separated lines, so those bytes cannot appear inside a value.
QByteArray fieldSafe(QByteArrayView text)
{
    QByteArray out = text.toByteArray();
    for (char& c : out) {
        if (c == '|' || c == '\n' || c == '\r')
            c = '_';
    }
    return out;
}

QByteArray nameFromLink(QByteArrayView link)
{
    if (link.startsWith("magnet:?")) {
        for (const QByteArray& param : link.sliced(8).toByteArray().split('&')) {
            if (param.startsWith("dn=") && param.size() > 3) {
                QByteArray name = param.mid(3);
                name.replace('+', ' ');
                return QByteArray::fromPercentEncoding(name);
            }
        }
        return link.toByteArray();
    }
    qsizetype end = link.size();
    for (char stop : {'?', '#'}) {
        const qsizetype at = link.indexOf(stop);
        if (at >= 0 && at < end)
            end = at;
    }
    QByteArrayView path = link.first(end);
    const qsizetype slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    QByteArrayView name = path.sliced(slash + 1);
    if (name.endsWith(".torrent"))
        name.chop(8);
    return name.isEmpty() ? link.toByteArray() : name.toByteArray();
}

} // namespace

TorrentSimulation::TorrentSimulation(quint32 seed) : m_seed(seed) {}

void TorrentSimulation::populate(int count)
{
    QRandomGenerator random(m_seed);
    for (int i = 0; i < count; ++i) {
        Torrent t;
        const qsizetype round = i / qsizetype(sampleNames.size());
        QByteArray name = sampleNames[size_t(i) % sampleNames.size()];
        if (round > 0)
            name.prepend(QByteArray::number(round + 1) + '_');
        t.fileName = name;
        t.torrentName = name + ".torrent";
        t.size = minSize + qint64(random.bounded(double(maxSize - minSize)));
        t.baseDownloadRate = 20'000 + random.bounded(3'000'000.0);
        t.baseUploadRate = 5'000 + random.bounded(400'000.0);
        t.seeds = random.bounded(0, 400);
        t.peers = random.bounded(0, 120);
        t.copies = t.seeds + random.bounded(3.0);
        t.peerAvgProgress = random.bounded(100.0);
        t.unlimitedSeeding = random.bounded(3) == 0;
        const int prio = random.bounded(10);
        t.priority = prio < 6   ? TorrentPriority::Normal
                     : prio < 8 ? TorrentPriority::High
                                : TorrentPriority(random.bounded(5));
        switch (i % 20) {
        case 13:
        case 14:
        case 15:
        case 16:
            t.status = TorrentStatus::Seeding;
            t.downloaded = double(t.size);
            t.seedingMs = qint64(random.bounded(86'400'000.0 * 3));
            break;
        case 17:
            t.status = TorrentStatus::Paused;
            break;
        case 18:
            t.status = TorrentStatus::Stopped;
            break;
        case 19:
            t.status = TorrentStatus::Queued;
            break;
        default:
            t.status = TorrentStatus::Working;
            break;
        }
        if (t.status != TorrentStatus::Seeding)
            t.downloaded = std::floor(double(t.size) * random.bounded(0.95));
        t.uploaded = std::min(maxCounter, t.downloaded * random.bounded(1.5));
        insert(std::move(t));
    }
}

const Torrent& TorrentSimulation::add(QByteArrayView link)
{
    QRandomGenerator random(m_seed ^ quint32(qHash(link)));
    Torrent t;
    t.fileName = fieldSafe(nameFromLink(link));
    t.torrentName = fieldSafe(link);
    t.size = minSize + qint64(random.bounded(double(maxSize - minSize)));
    t.baseDownloadRate = 50'000 + random.bounded(2'500'000.0);
    t.baseUploadRate = 5'000 + random.bounded(200'000.0);
    t.seeds = random.bounded(1, 250);
    t.peers = random.bounded(0, 80);
    t.copies = t.seeds + random.bounded(2.0);
    t.peerAvgProgress = random.bounded(100.0);
    return insert(std::move(t));
}

Torrent& TorrentSimulation::insert(Torrent torrent)
{
    torrent.serial = m_nextSerial++;
    torrent.id = 'T' + QByteArray::number(torrent.serial);
    torrent.destination = "C:\\Downloads\\" + torrent.fileName;
    m_serialById.insert(torrent.id, torrent.serial);
    return m_torrents.emplace(torrent.serial, std::move(torrent)).first->second;
}

Torrent* TorrentSimulation::find(QByteArrayView id)
{
    const auto serial = m_serialById.constFind(id.toByteArray());
    if (serial == m_serialById.constEnd())
        return nullptr;
    return &m_torrents.at(*serial);
}

bool TorrentSimulation::remove(QByteArrayView id)
{
    const auto serial = m_serialById.find(id.toByteArray());
    if (serial == m_serialById.end())
        return false;
    m_torrents.erase(*serial);
    m_serialById.erase(serial);
    return true;
}

int TorrentSimulation::removeCompleted()
{
    int removed = 0;
    for (auto it = m_torrents.begin(); it != m_torrents.end();) {
        if (it->second.isComplete()) {
            m_serialById.remove(it->second.id);
            it = m_torrents.erase(it);
            ++removed;
        } else {
            ++it;
        }
    }
    return removed;
}

int TorrentSimulation::stopAll()
{
    for (auto& [serial, torrent] : m_torrents)
        stop(torrent);
    return count();
}

int TorrentSimulation::queueAll()
{
    for (auto& [serial, torrent] : m_torrents)
        queue(torrent);
    return count();
}

void TorrentSimulation::pause(Torrent& torrent)
{
    torrent.status = TorrentStatus::Paused;
}

void TorrentSimulation::resume(Torrent& torrent)
{
    torrent.status = torrent.isComplete() ? TorrentStatus::Seeding : TorrentStatus::Working;
}

void TorrentSimulation::stop(Torrent& torrent)
{
    torrent.status = TorrentStatus::Stopped;
}

void TorrentSimulation::queue(Torrent& torrent)
{
    torrent.status = TorrentStatus::Queued;
}

void TorrentSimulation::advanceTo(qint64 ms)
{
    if (ms <= m_nowMs)
        return;
    const double seconds = double(ms - m_nowMs) / 1000.0 * m_speed;
    m_nowMs = ms;
    for (auto& [serial, t] : m_torrents) {
        if (t.status == TorrentStatus::Working) {
            const double rate = t.baseDownloadRate * priorityFactor(t.priority);
            const double needed = (double(t.size) - t.downloaded) / rate;
            if (needed <= seconds) {
                t.downloaded = double(t.size);
                t.status = TorrentStatus::Seeding;
                t.seedingMs += qint64((seconds - needed) * 1000.0);
            } else {
                t.downloaded += rate * seconds;
            }
            t.uploaded = std::min(maxCounter, t.uploaded + t.baseUploadRate * seconds);
        } else if (t.status == TorrentStatus::Seeding) {
            t.uploaded = std::min(maxCounter, t.uploaded + t.baseUploadRate * seconds);
            t.seedingMs += qint64(seconds * 1000.0);
        }
    }
}

// A steady per-second jitter around 1.0, so reported speeds look alive yet stay reproducible.
double TorrentSimulation::wobble(quint64 serial, quint64 salt) const
{
    quint64 x = (serial * 0x9E3779B97F4A7C15ull) ^ (quint64(m_nowMs / 1000) + salt) ^ m_seed;
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    return 0.75 + 0.5 * double(x % 1000) / 1000.0;
}

qint64 TorrentSimulation::downloadSpeed(const Torrent& torrent) const
{
    if (torrent.status != TorrentStatus::Working)
        return 0;
    return qint64(torrent.baseDownloadRate * priorityFactor(torrent.priority) *
                  wobble(torrent.serial, 0));
}

qint64 TorrentSimulation::uploadSpeed(const Torrent& torrent) const
{
    if (!torrent.isRunning())
        return 0;
    return qint64(torrent.baseUploadRate * wobble(torrent.serial, 7));
}

qint64 TorrentSimulation::etaSeconds(const Torrent& torrent) const
{
    const qint64 speed = downloadSpeed(torrent);
    if (speed <= 0)
        return -1;
    return qint64(std::ceil((double(torrent.size) - torrent.downloaded) / double(speed)));
}

} // namespace kestrunsim
