#pragma once

#include <QByteArrayView>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// How a status reply divides into rows and a row into fields, as views into the reply's bytes.
namespace tavrin::replyrows {

// The next LF at or after `from`, or the end.
inline qsizetype lineEnd(QByteArrayView text, qsizetype from)
{
    if (from >= text.size())
        return text.size();
    const void* found =
        std::memchr(text.data() + from, '\n', static_cast<size_t>(text.size() - from));
    return found ? static_cast<const char*>(found) - text.data() : text.size();
}

// The lines after the first, in order, empty ones included.
class RowReader {
public:
    explicit RowReader(QByteArrayView reply) : m_reply(reply), m_start(lineEnd(reply, 0) + 1) {}
    // The next line into `row`; false after the last.
    bool next(QByteArrayView& row)
    {
        if (m_start > m_reply.size())
            return false;
        const qsizetype end = lineEnd(m_reply, m_start);
        row = m_reply.sliced(m_start, end - m_start);
        m_start = end + 1;
        return true;
    }

private:
    QByteArrayView m_reply;
    qsizetype m_start;
};

// Calls row(line) for every line after the first, in order, empty ones included.
template <typename Row> void forEachRow(QByteArrayView reply, Row&& row)
{
    qsizetype start = lineEnd(reply, 0) + 1;
    while (start <= reply.size()) {
        const qsizetype end = lineEnd(reply, start);
        row(reply.sliced(start, end - start));
        start = end + 1;
    }
}

// Calls bar(at) for every "|" of the row, in order. A bar() that returns bool stops the walk
// with false; the walk then returns false.
template <typename Bar> bool forEachBar(QByteArrayView row, Bar&& bar)
{
    const auto call = [&bar](const char* at) {
        if constexpr (std::is_same_v<std::invoke_result_t<Bar&, const char*>, bool>) {
            return bar(at);
        } else {
            bar(at);
            return true;
        }
    };
    const char* p = row.data();
    const char* const end = p + row.size();
#if defined(__SSE2__)
    // Sixteen bytes per step: rows are long and their fields short, so a call per bar costs more.
    const __m128i bars16 = _mm_set1_epi8('|');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        auto bars = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, bars16)));
        for (; bars != 0; bars &= bars - 1) {
            if (!call(p + std::countr_zero(bars)))
                return false;
        }
    }
#endif
    for (; p < end; ++p) {
        if (*p == '|' && !call(p))
            return false;
    }
    return true;
}

// Replaces `fields` with the row's fields, split at every "|" (at least one).
template <typename Fields> void splitFields(QByteArrayView row, Fields& fields)
{
    fields.clear();
    const char* start = row.data();
    forEachBar(row, [&](const char* at) {
        fields.emplace_back(start, at - start);
        start = at + 1;
    });
    fields.emplace_back(start, row.data() + row.size() - start);
}

// The number of "|" in the row: its field count less one.
inline qsizetype countBars(QByteArrayView row)
{
    const char* p = row.data();
    const char* const end = p + row.size();
    qsizetype bars = 0;
#if defined(__SSE2__)
    // Each byte of `counts` counts the bars in its lane (a match is -1, subtracted), summed up
    // before a lane can overflow. No popcount: the baseline instruction set lacks one.
    const __m128i bar = _mm_set1_epi8('|');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        __m128i counts = zero;
        for (int step = 0; step < 255 && end - p >= 16; ++step, p += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, bar));
        }
        const __m128i sums = _mm_sad_epu8(counts, zero);
        bars += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    }
#endif
    for (; p < end; ++p)
        bars += *p == '|';
    return bars;
}

// Field `number` (1-based) of a row that has at least that many fields.
inline QByteArrayView fieldAt(QByteArrayView row, int number)
{
    const char* start = row.data();
    const char* const end = start + row.size();
    for (int k = 1; k < number; ++k)
        start = static_cast<const char*>(std::memchr(start, '|', end - start)) + 1;
    const void* bar = std::memchr(start, '|', end - start);
    return {start, bar ? static_cast<const char*>(bar) : end};
}

// The fields with these 1-based numbers (0: none, left empty), found in one walk along the row
// that ends at the last of them.
template <std::size_t N>
inline void fieldsAt(QByteArrayView row, const std::array<int, N>& numbers,
                     std::array<QByteArrayView, N>& out)
{
    const int highest = *std::max_element(numbers.begin(), numbers.end());
    if (highest <= 0)
        return;
    const char* start = row.data();
    int field = 1;
    const auto take = [&](const char* fieldEnd) {
        for (std::size_t i = 0; i < N; ++i) {
            if (numbers[i] == field)
                out[i] = QByteArrayView(start, fieldEnd);
        }
        start = fieldEnd + 1;
        return ++field <= highest;
    };
    if (!forEachBar(row, take))
        return;
    for (std::size_t i = 0; i < N; ++i) {
        if (numbers[i] == field)
            out[i] = QByteArrayView(start, row.data() + row.size());
    }
}

// The last field of a row: what follows its last "|", or the whole row.
inline QByteArrayView lastField(QByteArrayView row)
{
    // Read backwards from the row's end: identifiers are short.
    const char* p = row.data() + row.size();
    while (p != row.data() && p[-1] != '|')
        --p;
    return QByteArrayView(p, row.data() + row.size());
}

} // namespace tavrin::replyrows
