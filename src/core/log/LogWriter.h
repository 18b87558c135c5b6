#pragma once

#include "core/log/LogBatch.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tavrin {

// Owns the log file on a thread of its own: batches are queued and written there, so a large
// batch never holds up the caller. The file is opened for each run of batches and closed after,
// so others may read, move or delete it meanwhile.
class LogWriter {
public:
    struct Limits {
        // A file that would grow past this becomes "<name>.1" and a new one starts.
        qint64 fileBytes = qint64(32) << 20;
        // Bytes of one entry's text written before the rest is left out.
        qint64 entryTextBytes = qint64(1) << 20;
        // Batches waiting beyond this many bytes are dropped (and counted in the log).
        qint64 queueBytes = qint64(64) << 20;
    };
    // Called on the writer's thread when a run of failing writes begins.
    using FailureHandler = std::function<void()>;
    // Called on the writer's thread before each run of batches is written (tests hold it there).
    using WriteHook = std::function<void()>;

    LogWriter(QString fileName, Limits limits, FailureHandler onFailure,
              WriteHook beforeWrite = {});
    // Writes what is queued, then stops the thread.
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // Queues the batch with the time stamp (the text before ": ") all its entries carry.
    void submit(QByteArray stamp, LogBatch batch);
    // Returns once everything submitted so far has been written (or has failed).
    void flush();

    // The marker that ends an entry whose text was cut.
    static QByteArray cutMarker(qint64 leftOut);

private:
    struct Job {
        QByteArray stamp;
        LogBatch batch;
    };
    void run();
    void write(const std::deque<Job>& jobs);
    // The time stamp and ": " that begin every entry of a batch, joined with entry i's prefix.
    QByteArrayView headWithPrefix(QByteArrayView head, const LogBatch& batch, qsizetype i);
    bool appendEntry(QByteArrayView headAndPrefix, QByteArrayView text);
    bool writeChunk();
    bool rotate();
    void setFailing(bool failing);
    static qint64 jobBytes(const Job& job);

    const QString m_fileName;
    const Limits m_limits;
    const FailureHandler m_onFailure;
    const WriteHook m_beforeWrite;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_queue;
    qint64 m_queuedBytes = 0;
    qint64 m_dropped = 0;      // entries left out because the queue was full
    QByteArray m_droppedStamp; // the time of the last one
    bool m_busy = false;       // the writer thread is writing what it took from the queue
    bool m_stop = false;

    // The writer thread's own.
    // Entries gather here before one write; sized up front, filled with plain copies.
    std::unique_ptr<char[]> m_chunk;
    qsizetype m_chunkRoom = 0;
    qsizetype m_chunkUsed = 0;
    // Prefixes of the batch being written by their id, each joined with its head once.
    std::vector<std::pair<quint32, QByteArray>> m_heads;
    qint64 m_fileSize = -1; // -1: not open
    QFile* m_file = nullptr;
    bool m_failing = false;

    std::thread m_thread;
};

} // namespace tavrin
