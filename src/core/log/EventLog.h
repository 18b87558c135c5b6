#pragma once

#include "core/log/LogBatch.h"
#include "core/log/LogWriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QObject>
#include <QString>
#include <memory>

namespace tavrin {

class Clock;
class Prompter;

// Appends time-stamped entries to "tavrin.log" in the current working directory. A writer
// thread owns the file, so a large entry never holds up the window; the file and its one older
// generation "tavrin.log.1" stay within the writer's bounds.
class EventLog {
public:
    static inline const QString fileName = QStringLiteral("tavrin.log");

    EventLog(const Clock& clock, Prompter& prompter, QLocale locale = QLocale::system(),
             LogWriter::Limits limits = {}, LogWriter::WriteHook beforeWrite = {});
    // Writes what is still queued.
    ~EventLog();

    // One entry: time stamp, ": ", the message's bytes unchanged, CR LF.
    void writeLog(QByteArrayView message);
    void writeLog(const QString& message) { writeLog(QByteArrayView(message.toLatin1())); }
    // The batch's entries, all with the time stamp of now, in one go.
    void writeLogs(LogBatch batch);
    // Returns once every entry so far is in the file (or has failed).
    void flush() { m_writer->flush(); }

    // The locale's short date, a space and the time with seconds; the date alone at midnight.
    QString timeStamp(const QDateTime& when) const;

private:
    void report();

    const Clock& m_clock;
    Prompter& m_prompter;
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    // Failures found on the writer thread are reported through this object's thread.
    std::unique_ptr<QObject> m_context;
    std::unique_ptr<LogWriter> m_writer;
};

} // namespace tavrin
