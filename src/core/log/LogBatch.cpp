#include "core/log/LogBatch.h"

#include <charconv>
#include <functional>

namespace tavrin {

namespace {
// Beyond this many distinct prefixes a new one is simply stored again.
constexpr qsizetype prefixesSearched = 8;
} // namespace

quint32 LogBatch::ownPrefix(QByteArrayView prefix)
{
    for (const Prefix& known : m_prefixes) {
        if (QByteArrayView(m_own).sliced(known.offset, known.length) == prefix)
            return known.offset;
    }
    const auto offset = static_cast<quint32>(m_own.size());
    m_own.append(prefix);
    if (m_prefixes.size() < prefixesSearched)
        m_prefixes.append({offset, static_cast<quint16>(prefix.size())});
    return offset;
}

void LogBatch::add(QByteArrayView prefix, QByteArrayView text)
{
    // Pointer order is only defined within one array; std::less gives a total order.
    const std::less<const char*> before;
    const char* begin = m_source.constData();
    const bool inSource = !text.isEmpty() && !m_source.isEmpty() && !before(text.data(), begin) &&
                          !before(begin + m_source.size(), text.data() + text.size());
    Q_ASSERT(prefix.size() <= 0xFFFF);
    Entry entry{0, text.size(), ownPrefix(prefix), static_cast<quint16>(prefix.size()),
                inSource ? Kind::InSource : Kind::Copied};
    if (inSource) {
        entry.text = text.data() - begin;
    } else {
        entry.text = m_own.size();
        m_own.append(text);
    }
    m_entries.append(entry);
    m_bytes += prefix.size() + text.size();
}

void LogBatch::add(QByteArrayView prefix, qint64 number)
{
    Q_ASSERT(prefix.size() <= 0xFFFF);
    NumberText digits;
    const auto length =
        std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr - digits.data();
    m_entries.append(
        {number, length, ownPrefix(prefix), static_cast<quint16>(prefix.size()), Kind::Number});
    m_bytes += prefix.size() + length;
}

QByteArrayView LogBatch::prefix(qsizetype i) const
{
    const Entry& entry = m_entries.at(i);
    return QByteArrayView(m_own).sliced(entry.prefixOffset, entry.prefixLength);
}

QByteArrayView LogBatch::text(qsizetype i, NumberText& scratch) const
{
    const Entry& entry = m_entries.at(i);
    switch (entry.kind) {
    case Kind::InSource:
        return QByteArrayView(m_source).sliced(entry.text, entry.textLength);
    case Kind::Copied:
        return QByteArrayView(m_own).sliced(entry.text, entry.textLength);
    case Kind::Number:
        break;
    }
    const char* end =
        std::to_chars(scratch.data(), scratch.data() + scratch.size(), entry.text).ptr;
    return QByteArrayView(scratch.data(), end - scratch.data());
}

QByteArray LogBatch::message(qsizetype i) const
{
    NumberText scratch;
    return prefix(i).toByteArray().append(text(i, scratch));
}

QByteArrayList LogBatch::messages() const
{
    QByteArrayList list;
    for (qsizetype i = 0; i < size(); ++i)
        list.append(message(i));
    return list;
}

} // namespace tavrin
