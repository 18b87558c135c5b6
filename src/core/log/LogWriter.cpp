#include "core/log/LogWriter.h"

#include <QFile>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrin {

namespace {
// Entries gather in memory up to this size before they go to the file in one write.
constexpr qsizetype chunkBytes = qsizetype(1) << 20;

// Opens the log for appending, never through a symbolic link and only as a regular file: text
// from the server must not land in whatever a link in the working directory points to.
bool openRegularFile(QFile& file, const QString& name)
{
    const QByteArray path = QFile::encodeName(name);
    // Without a reader a pipe refuses at once instead of holding the writer.
    const int fd =
        ::open(path.constData(),
               O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return false;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle);
}

char* put(char* at, QByteArrayView text)
{
    if (!text.isEmpty())
        std::memcpy(at, text.data(), static_cast<size_t>(text.size()));
    return at + text.size();
}
} // namespace

LogWriter::LogWriter(QString fileName, Limits limits, FailureHandler onFailure,
                     WriteHook beforeWrite)
    : m_fileName(std::move(fileName)), m_limits(limits), m_onFailure(std::move(onFailure)),
      m_beforeWrite(std::move(beforeWrite)), m_thread(&LogWriter::run, this)
{
}

LogWriter::~LogWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

QByteArray LogWriter::cutMarker(qint64 leftOut)
{
    return " [" + QByteArray::number(leftOut) + " more bytes left out of the log]";
}

qint64 LogWriter::jobBytes(const Job& job)
{
    return job.batch.bytes() + job.batch.size() * (job.stamp.size() + 4);
}

void LogWriter::submit(QByteArray stamp, LogBatch batch)
{
    if (batch.isEmpty())
        return;
    Job job{std::move(stamp), std::move(batch)};
    const qint64 bytes = jobBytes(job);
    std::unique_lock lock(m_mutex);
    if (!m_queue.empty() && m_queuedBytes + bytes > m_limits.queueBytes) {
        m_dropped += job.batch.size();
        m_droppedStamp = std::move(job.stamp);
        return;
    }
    m_queuedBytes += bytes;
    m_queue.push_back(std::move(job));
    lock.unlock();
    m_changed.notify_all();
}

void LogWriter::flush()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

void LogWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock,
                       [this] { return !m_busy && (m_stop || !m_queue.empty() || m_dropped > 0); });
        if (m_queue.empty() && m_dropped == 0)
            return; // stopping, and everything is written
        std::deque<Job> jobs;
        jobs.swap(m_queue);
        m_queuedBytes = 0;
        if (m_dropped > 0) {
            LogBatch note;
            note.add("Log entries left out because the log could not keep up: ", m_dropped);
            jobs.push_back({m_droppedStamp, std::move(note)}); // they came after the queued ones
            m_dropped = 0;
        }
        m_busy = true;
        lock.unlock();
        if (m_beforeWrite)
            m_beforeWrite();
        write(jobs);
        jobs.clear(); // the replies the entries refer to are let go outside the lock
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

void LogWriter::write(const std::deque<Job>& jobs)
{
    QFile file;
    // Unbuffered: the chunk is the buffer, so the bytes are not copied once more.
    if (!openRegularFile(file, m_fileName)) {
        setFailing(true);
        return;
    }
    m_file = &file;
    m_fileSize = file.size();
    m_chunkUsed = 0;
    bool ok = true;
    LogBatch::NumberText digits;
    for (const Job& job : jobs) {
        const QByteArray head = job.stamp + ": ";
        m_heads.clear();
        for (qsizetype i = 0; ok && i < job.batch.size(); ++i)
            ok = appendEntry(headWithPrefix(head, job.batch, i), job.batch.text(i, digits));
    }
    ok = ok && writeChunk();
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    m_file = nullptr;
    m_chunkUsed = 0;
    if (m_chunkRoom > 2 * chunkBytes) { // one huge entry does not keep its room
        m_chunk.reset();
        m_chunkRoom = 0;
    }
    setFailing(!ok);
}

QByteArrayView LogWriter::headWithPrefix(QByteArrayView head, const LogBatch& batch, qsizetype i)
{
    // A reply's entries take turns among very few prefixes, which the batch numbers.
    const quint32 id = batch.prefixId(i);
    for (const auto& [known, joined] : m_heads) {
        if (known == id)
            return joined;
    }
    if (m_heads.size() >= 8)
        m_heads.erase(m_heads.begin());
    m_heads.emplace_back(id, head.toByteArray().append(batch.prefix(i)));
    return m_heads.back().second;
}

bool LogWriter::appendEntry(QByteArrayView headAndPrefix, QByteArrayView text)
{
    QByteArray marker;
    if (text.size() > m_limits.entryTextBytes) {
        marker = cutMarker(text.size() - m_limits.entryTextBytes);
        text = text.first(m_limits.entryTextBytes);
    }
    const qsizetype entry = headAndPrefix.size() + text.size() + marker.size() + 2;
    const qint64 held = m_fileSize + m_chunkUsed;
    if (held > 0 && held + entry > m_limits.fileBytes) {
        if (!writeChunk() || !rotate())
            return false;
    }
    if (m_chunkUsed + entry > m_chunkRoom) {
        if (!writeChunk())
            return false;
        if (entry > m_chunkRoom) {
            m_chunkRoom = std::max(entry, chunkBytes);
            m_chunk = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(m_chunkRoom));
        }
    }
    char* at = m_chunk.get() + m_chunkUsed;
    at = put(at, headAndPrefix);
    at = put(at, text);
    at = put(at, marker);
    std::memcpy(at, "\r\n", 2);
    m_chunkUsed = at + 2 - m_chunk.get();
    return m_chunkUsed < chunkBytes || writeChunk();
}

bool LogWriter::writeChunk()
{
    if (m_chunkUsed == 0)
        return true;
    const qint64 size = m_chunkUsed;
    const bool ok = m_file->write(m_chunk.get(), size) == size;
    m_fileSize += size;
    m_chunkUsed = 0;
    return ok;
}

bool LogWriter::rotate()
{
    m_file->close();
    const QString older = m_fileName + QStringLiteral(".1");
    QFile::remove(older);
    // Without the rename the file would pass its bound, so a failed one stops the writing.
    if (!QFile::rename(m_fileName, older))
        return false;
    if (!openRegularFile(*m_file, m_fileName))
        return false;
    m_fileSize = 0;
    return true;
}

void LogWriter::setFailing(bool failing)
{
    const bool begins = failing && !m_failing;
    m_failing = failing;
    if (begins && m_onFailure)
        m_onFailure();
}

} // namespace tavrin
