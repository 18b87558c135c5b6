#pragma once

#include "cli/CliOptions.h"
#include "core/view/TypedFields.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <pugixml.hpp>
#include <vector>

namespace tavrin {
class TorrentListModel;
}

namespace tavrin::cli {

// The columns to print and the status-row field each one reads (1-based). `ownColumns` is true
// when they are the layout's shown columns, exactly as the window shows them.
struct ColumnChoice {
    QStringList names;
    QList<int> fields;
    bool ownColumns = true;
    // For JSON: each field's column key by its number, and the typed keys with the field each
    // reads (0: the server version has none).
    QList<std::pair<QString, int>> fieldKeys;
    QList<std::pair<view::TypedField, int>> typed;
};

// Characters a table cell shows before it is cut with "…"; TSV and JSON carry whole values.
inline constexpr qsizetype tableCellCharacters = 64;

// The shown columns of the layout in display order, or, when `wanted` is not empty, those
// columns by key. Returns false with `error` naming an unknown column or a broken layout.
bool chooseColumns(const pugi::xml_document& layout, const QStringList& wanted,
                   ColumnChoice& choice, QString& error);

// Fills `choice`'s field keys and typed keys from the server version's own layout.
void chooseTypedFields(const pugi::xml_document& defaultLayout, bool version3,
                       ColumnChoice& choice);

// Writes the torrents at `positions` (1-based, in that order), in the chosen columns and format,
// through `write` a piece at a time, so nothing the size of the list is built. Every row is checked
// first: when one lacks a field a chosen column reads, nothing is written and `error` says so in
// the words the window uses. In the table, values show as the window shows them, control characters
// as visible symbols, and a line is cut at `maxWidth` characters (0: no cut).
template <typename Write>
bool writeList(const TorrentListModel& model, const std::vector<int>& positions,
               const ColumnChoice& choice, Format format, int maxWidth, QString& error,
               Write&& write);

// The same into one buffer (a redrawn screen).
bool listText(const TorrentListModel& model, const std::vector<int>& positions,
              const ColumnChoice& choice, Format format, int maxWidth, QString& error,
              QByteArray& out);

// Writes pieces to a stream in chunks, so output costs neither a call per cell nor a copy of
// the whole list.
class ChunkedWriter {
public:
    explicit ChunkedWriter(FILE* stream) : m_stream(stream) {}
    ~ChunkedWriter() { flush(); }
    void operator()(QByteArrayView piece);
    void flush();

private:
    FILE* m_stream;
    QByteArray m_chunk;
};

namespace detail {
// What writeList needs, out of line.
bool checkRows(const TorrentListModel& model, const ColumnChoice& choice, QString& error);
QByteArray tableLine(const QStringList& cells, const QList<qsizetype>& widths, int maxWidth);
QStringList tableCells(const TorrentListModel& model, const ColumnChoice& choice, int position);
QByteArray tsvLine(const TorrentListModel& model, const ColumnChoice& choice, int position);
QByteArray tsvHeader(const ColumnChoice& choice);
// Latin-1 text as a JSON string.
QByteArray jsonText(QByteArrayView latin1);
// The column key of a field by its number ("field6" when the layout names none).
QString fieldKey(const ColumnChoice& choice, int field);
// One torrent as a JSON object on one line: "id", the typed keys, and "fields".
QByteArray typedObject(const TorrentListModel& model, const ColumnChoice& choice, int position);
QStringList headerCells(const ColumnChoice& choice);
} // namespace detail

template <typename Write>
bool writeList(const TorrentListModel& model, const std::vector<int>& positions,
               const ColumnChoice& choice, Format format, int maxWidth, QString& error,
               Write&& write)
{
    if (!detail::checkRows(model, choice, error))
        return false;
    switch (format) {
    case Format::Table: {
        // Two passes over the list: the widths first, then the lines, one at a time.
        const QStringList header = detail::headerCells(choice);
        QList<qsizetype> widths(header.size(), 0);
        const auto widen = [&widths](const QStringList& cells) {
            for (qsizetype c = 0; c < cells.size(); ++c)
                widths[c] = std::max(widths[c], cells.at(c).size());
        };
        widen(header);
        for (const int position : positions)
            widen(detail::tableCells(model, choice, position));
        write(detail::tableLine(header, widths, maxWidth));
        for (const int position : positions)
            write(detail::tableLine(detail::tableCells(model, choice, position), widths, maxWidth));
        break;
    }
    case Format::Tsv:
        write(detail::tsvHeader(choice));
        for (const int position : positions)
            write(detail::tsvLine(model, choice, position));
        break;
    case Format::Json:
        write("[");
        for (std::size_t i = 0; i < positions.size(); ++i) {
            write(i == 0 ? "\n" : ",\n");
            write(detail::typedObject(model, choice, positions[i]));
        }
        write("\n]\n");
        break;
    case Format::JsonLines:
        for (const int position : positions) {
            write(detail::typedObject(model, choice, position));
            write("\n");
        }
        break;
    }
    return true;
}

} // namespace tavrin::cli
