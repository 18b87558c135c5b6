#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <array>
#include <cstddef>

namespace tavrin {

// Fields every item keeps whether or not a column shows them, each read from the field of the
// layout's column with its key: the chains and the context menu act on status and priority, the
// filters read name, status and progress, the status bar sums the speeds.
enum class KeptField : unsigned char {
    Status,
    Priority,
    Name,
    Progress,
    DownloadSpeed,
    UploadSpeed
};
inline constexpr std::size_t keptFieldCount = 6;

// The key of the column whose field a kept field is, in the order of the enumeration.
inline constexpr std::array<QLatin1StringView, keptFieldCount> keptFieldKeys = {
    QLatin1StringView("BT Status"), QLatin1StringView("Priority"), QLatin1StringView("FileName"),
    QLatin1StringView("Progress"),  QLatin1StringView("DL Speed"), QLatin1StringView("UL Speed")};

// The kept fields of one row, as views into it; empty where the row has no such field.
using KeptFields = std::array<QByteArrayView, keptFieldCount>;

constexpr std::size_t keptIndex(KeptField which)
{
    return static_cast<std::size_t>(which);
}

} // namespace tavrin
