#include "core/watch/CatchUpStore.h"

#include "core/platform/PathKind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace tavrin {

namespace {

constexpr QByteArrayView header = "Tavrin unfinished torrents 1\n";
constexpr QByteArrayView serverTag = "server ";

// "3 8080 host": what names a server in the file. Hosts are compared without regard to case.
QByteArray keyOf(const CatchUpStore::Server& server)
{
    return QByteArray::number(server.version) + ' ' + server.port.toUtf8().toPercentEncoding() +
           ' ' + server.host.toLower().toUtf8().toPercentEncoding();
}

} // namespace

QString CatchUpStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/unfinished-torrents");
}

QList<CatchUpStore::Entry> CatchUpStore::read() const
{
    QList<Entry> entries;
    if (pathKind(m_path) == PathKind::SymLink)
        return entries;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileBytes)
        return entries;
    const QByteArray bytes = file.read(maxFileBytes);
    if (!bytes.startsWith(header))
        return entries;
    for (QByteArrayView rest = QByteArrayView(bytes).sliced(header.size()); !rest.isEmpty();) {
        qsizetype end = rest.indexOf('\n');
        if (end < 0)
            end = rest.size(); // a last line cut short is still a line
        const QByteArrayView line = rest.first(end);
        rest = rest.sliced(std::min(end + 1, rest.size()));
        if (line.startsWith(serverTag)) {
            // "server SECONDS KEY"
            const QByteArrayView fields = line.sliced(serverTag.size());
            const qsizetype space = fields.indexOf(' ');
            bool ok = false;
            const qint64 savedAt = space > 0 ? fields.first(space).toLongLong(&ok) : 0;
            if (!ok || entries.size() >= maxServers) {
                entries.append(Entry{}); // its ids land in an entry no key matches
                continue;
            }
            entries.append(Entry{fields.sliced(space + 1).toByteArray(), savedAt, {}});
        } else if (!entries.isEmpty() && !line.isEmpty() && entries.last().ids.size() < maxIds &&
                   !entries.last().key.isEmpty()) {
            entries.last().ids.append(line.toByteArray());
        }
    }
    entries.removeIf([](const Entry& e) { return e.key.isEmpty(); });
    return entries;
}

QList<QByteArray> CatchUpStore::load(const Server& server) const
{
    const QByteArray key = keyOf(server);
    for (const Entry& entry : read()) {
        if (entry.key != key)
            continue;
        QList<QByteArray> ids;
        ids.reserve(entry.ids.size());
        for (const QByteArray& id : entry.ids)
            ids.append(QByteArray::fromPercentEncoding(id));
        return ids;
    }
    return {};
}

QString CatchUpStore::save(const Server& server, const QList<QByteArray>& ids, qint64 nowSecs) const
{
    // Written through a link, the file would land wherever the link points.
    if (pathKind(m_path) == PathKind::SymLink)
        return QStringLiteral("%1 is a symbolic link; it was left alone").arg(m_path);
    const QByteArray key = keyOf(server);
    QList<Entry> entries = read();
    entries.removeIf([&key](const Entry& e) { return e.key == key; });
    Entry mine{key, nowSecs, {}};
    mine.ids.reserve(std::min(ids.size(), maxIds));
    for (qsizetype i = 0; i < ids.size() && i < maxIds; ++i)
        mine.ids.append(ids.at(i).toPercentEncoding());
    entries.prepend(std::move(mine));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.savedAt > b.savedAt; });
    if (entries.size() > maxServers)
        entries.resize(maxServers);

    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(header.data(), header.size());
    for (const Entry& entry : std::as_const(entries)) {
        file.write(serverTag.data(), serverTag.size());
        file.write(QByteArray::number(entry.savedAt) + ' ' + entry.key + '\n');
        for (const QByteArray& id : entry.ids)
            file.write(id + '\n');
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace tavrin
