#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <pugixml.hpp>

namespace tavrin::cli {

// The torrents of a status reply as a table of the chosen columns, values as the server sent
// them (Latin-1), each row with its identifier.
struct TorrentTable {
    QStringList columns;
    struct Row {
        QByteArray id;
        QList<QByteArray> values; // one per column; empty where the row has no such field
    };
    QList<Row> rows;
};

// The columns to print and the status-row field each one reads (1-based).
struct ColumnChoice {
    QStringList names;
    QList<int> fields;
};

// The shown columns of the layout in display order, or, when `wanted` is not empty, those
// columns by key. Returns false with `error` naming an unknown column or a broken layout.
bool chooseColumns(const pugi::xml_document& layout, const QStringList& wanted,
                   ColumnChoice& choice, QString& error);

TorrentTable tableFromReply(QByteArrayView reply, const ColumnChoice& choice);

// Aligned columns with a header line; values shown as the window shows them.
QString formatTable(const TorrentTable& table, int maxWidth = 0);
// Tab-separated with a header line; tab, CR and backslash escaped as \t, \r and \\.
QByteArray formatTsv(const TorrentTable& table);
// A JSON array of objects keyed by column name, plus "id".
QByteArray formatJson(const TorrentTable& table);

} // namespace tavrin::cli
