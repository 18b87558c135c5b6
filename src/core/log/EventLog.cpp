#include "core/log/EventLog.h"

#include "core/platform/Clock.h"
#include "core/platform/Prompter.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace tavrin {

namespace {

// The locale's long time form carries a time-zone name that the log does without.
QString timeFormatWithoutZone(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

// Short dates with a four-digit year, as desktop locales write them in full-date logs.
QString dateFormatWithFullYear(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(shortYear, QStringLiteral("yyyy"));
    return format;
}

} // namespace

EventLog::EventLog(const Clock& clock, Prompter& prompter, QLocale locale, LogWriter::Limits limits,
                   LogWriter::WriteHook beforeWrite)
    : m_clock(clock), m_prompter(prompter), m_locale(std::move(locale)),
      m_dateFormat(dateFormatWithFullYear(m_locale)), m_timeFormat(timeFormatWithoutZone(m_locale)),
      m_context(std::make_unique<QObject>())
{
    QObject* context = m_context.get();
    m_writer = std::make_unique<LogWriter>(
        fileName, limits,
        [this, context] {
            // Queued even from this thread, so the box never opens inside a caller's write.
            QMetaObject::invokeMethod(
                context, [this] { report(); }, Qt::QueuedConnection);
        },
        std::move(beforeWrite));
}

EventLog::~EventLog()
{
    m_writer.reset(); // writes what is queued; no report can follow once the context is gone
}

QString EventLog::timeStamp(const QDateTime& when) const
{
    const QString date = m_locale.toString(when.date(), m_dateFormat);
    const QTime time = when.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + QLatin1Char(' ') + m_locale.toString(time, m_timeFormat);
}

void EventLog::writeLog(QByteArrayView message)
{
    LogBatch batch;
    batch.add({}, message);
    writeLogs(std::move(batch));
}

void EventLog::writeLogs(LogBatch batch)
{
    if (batch.isEmpty())
        return;
    m_writer->submit(timeStamp(m_clock.now()).toLatin1(), std::move(batch));
}

// One box per run of failing writes: the writer reports a run when it begins.
void EventLog::report()
{
    m_prompter.showMessage(QCoreApplication::translate("EventLog", "Can't write to log file."),
                           MessageStyle::Plain, {});
}

} // namespace tavrin
