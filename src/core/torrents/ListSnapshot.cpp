#include "core/torrents/ListSnapshot.h"

#include "core/torrents/ReplyRows.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace tavrin {

quint64 ListSnapshot::rowHash(QByteArrayView row)
{
    // Every row of every reply is hashed: a hash built for speed on long keys.
    return XXH3_64bits(row.data(), static_cast<size_t>(row.size()));
}

QByteArrayView ListSnapshot::mainField(const Row& row) const
{
    if (row.mainText != 0 || plan.fields.isEmpty())
        return {};
    return replyrows::fieldAt(rowText(row), plan.fields.first());
}

QByteArrayView ListSnapshot::cellSource(int row, int column, bool& displayed) const
{
    const Row& item = rows[std::size_t(row)];
    displayed = false;
    if (column < 0 || column >= plan.fields.size())
        return {};
    if (column == 0 && item.mainText != 0) {
        displayed = true;
        return mainTexts[item.mainText - 1];
    }
    return replyrows::fieldAt(rowText(item), plan.fields.at(column));
}

} // namespace tavrin
