#include "core/log/EventLog.h"

#include "core/platform/Clock.h"
#include "core/platform/Prompter.h"

#include <QFile>
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

EventLog::EventLog(const Clock& clock, Prompter& prompter, QLocale locale)
    : m_clock(clock), m_prompter(prompter), m_locale(std::move(locale)),
      m_dateFormat(dateFormatWithFullYear(m_locale)), m_timeFormat(timeFormatWithoutZone(m_locale))
{
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
    writeLogs({message.toByteArray()});
}

void EventLog::writeLogs(const QList<QByteArray>& messages)
{
    if (messages.isEmpty())
        return;
    const QByteArray stamp = timeStamp(m_clock.now()).toLatin1() + ": ";
    qsizetype size = 0;
    for (const QByteArray& message : messages)
        size += stamp.size() + message.size() + 2;
    QByteArray data;
    data.reserve(size);
    for (const QByteArray& message : messages)
        data.append(stamp).append(message).append("\r\n");
    const QString failure = writeToFile(fileName, data);
    if (failure.isEmpty())
        m_failureShown = false;
    else
        report(failure);
}

void EventLog::report(const QString& /*failure*/)
{
    if (m_failureShown)
        return;
    m_failureShown = true;
    m_prompter.showMessage(QStringLiteral("Can't write to log file."), MessageStyle::Plain, {});
}

QString EventLog::writeToFile(const QString& fileName, QByteArrayView data)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return QStringLiteral("WriteToFile:\r\n") + file.errorString();
    }
    if (file.write(data.data(), data.size()) != data.size()) {
        return QStringLiteral("WriteToFile:\r\n") + file.errorString();
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("WriteToFile:\r\n") + file.errorString();
    return {};
}

} // namespace tavrin
