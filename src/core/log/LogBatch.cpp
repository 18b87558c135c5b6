#include "core/log/LogBatch.h"

#include <functional>

namespace tavrin {

quint32 LogBatch::ownPrefix(QByteArrayView prefix)
{
    if (m_hasPrefix &&
        QByteArrayView(m_own).sliced(m_lastPrefixOffset, m_lastPrefixLength) == prefix)
        return m_lastPrefixOffset;
    m_hasPrefix = true;
    m_lastPrefixOffset = static_cast<quint32>(m_own.size());
    m_lastPrefixLength = prefix.size();
    m_own.append(prefix);
    return m_lastPrefixOffset;
}

void LogBatch::add(QByteArrayView prefix, QByteArrayView text)
{
    // Pointer order is only defined within one array; std::less gives a total order.
    const std::less<const char*> before;
    const char* begin = m_source.constData();
    const bool inSource = !text.isEmpty() && !m_source.isEmpty() && !before(text.data(), begin) &&
                          !before(begin + m_source.size(), text.data() + text.size());
    const quint32 prefixOffset = ownPrefix(prefix);
    Q_ASSERT(prefix.size() <= 0xFFFF);
    Entry entry{0, text.size(), prefixOffset, static_cast<quint16>(prefix.size()), inSource};
    if (inSource) {
        entry.textOffset = text.data() - begin;
    } else {
        entry.textOffset = m_own.size();
        m_own.append(text);
    }
    m_entries.append(entry);
    m_bytes += prefix.size() + text.size();
}

void LogBatch::add(QByteArrayView prefix, qint64 number)
{
    add(prefix, QByteArrayView(QByteArray::number(number)));
}

QByteArrayView LogBatch::prefix(qsizetype i) const
{
    const Entry& entry = m_entries.at(i);
    return QByteArrayView(m_own).sliced(entry.prefixOffset, entry.prefixLength);
}

QByteArrayView LogBatch::text(qsizetype i) const
{
    const Entry& entry = m_entries.at(i);
    return QByteArrayView(entry.textInSource ? m_source : m_own)
        .sliced(entry.textOffset, entry.textLength);
}

QByteArray LogBatch::message(qsizetype i) const
{
    return prefix(i).toByteArray().append(text(i));
}

QByteArrayList LogBatch::messages() const
{
    QByteArrayList list;
    for (qsizetype i = 0; i < size(); ++i)
        list.append(message(i));
    return list;
}

} // namespace tavrin
