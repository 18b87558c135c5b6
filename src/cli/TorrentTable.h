#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <pugixml.hpp>

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
};

// The torrents of the list as a table of the chosen columns: each row with its identifier, the
// values as the server sent them (Latin-1) and as the window shows them.
struct TorrentTable {
    QStringList columns;
    struct Row {
        QByteArray id;
        QList<QByteArray> values;
        QStringList shown;
    };
    QList<Row> rows;
};

// The shown columns of the layout in display order, or, when `wanted` is not empty, those
// columns by key. Returns false with `error` naming an unknown column or a broken layout.
bool chooseColumns(const pugi::xml_document& layout, const QStringList& wanted,
                   ColumnChoice& choice, QString& error);

// The list's torrents in its order. Returns false with `error` when a row lacks a field that a
// chosen column reads, in the words the window uses for its own columns.
bool tableFromList(const TorrentListModel& model, const ColumnChoice& choice, TorrentTable& table,
                   QString& error);

// Aligned columns with a header line; values shown as the window shows them.
QString formatTable(const TorrentTable& table, int maxWidth = 0);
// Tab-separated with a header line; tab, CR and backslash escaped as \t, \r and \\.
QByteArray formatTsv(const TorrentTable& table);
// A JSON array of objects keyed by column name, plus "id".
QByteArray formatJson(const TorrentTable& table);

} // namespace tavrin::cli
