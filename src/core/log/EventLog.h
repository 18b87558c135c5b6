#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QLocale>
#include <QString>

namespace tavrin {

class Clock;
class Prompter;

// Appends time-stamped entries to "tavrin.log" in the current working directory. The file is
// opened and closed for every write, so others may read, move or delete it meanwhile.
class EventLog {
public:
    static inline const QString fileName = QStringLiteral("tavrin.log");

    EventLog(const Clock& clock, Prompter& prompter, QLocale locale = QLocale::system());

    // One entry: time stamp, ": ", the message's bytes unchanged, CR LF.
    void writeLog(QByteArrayView message);
    void writeLog(const QString& message) { writeLog(QByteArrayView(message.toLatin1())); }
    // Several entries with one time stamp, in one open of the file; the bytes are the same as
    // for one writeLog per message.
    void writeLogs(const QList<QByteArray>& messages);

    // The locale's short date, a space and the time with seconds; the date alone at midnight.
    QString timeStamp(const QDateTime& when) const;

    // Appends data to the named file, creating it when absent. Returns an empty string on
    // success, otherwise "WriteToFile:" CR LF and what went wrong.
    static QString writeToFile(const QString& fileName, QByteArrayView data);

private:
    void report(const QString& failure);

    const Clock& m_clock;
    Prompter& m_prompter;
    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    // A run of failing writes is reported once; a success in between re-arms the box.
    bool m_failureShown = false;
};

} // namespace tavrin
