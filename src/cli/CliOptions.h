#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tavrin::cli {

// How `list` and `watch` print the torrents.
enum class Format { Table, Json, JsonLines, Tsv };

// One invocation, as read from the command line. Connection values left empty are taken from
// the window's settings.
struct Invocation {
    std::optional<QString> host;
    std::optional<QString> port;
    std::optional<QString> uniqueId;
    std::optional<bool> version3;
    std::optional<QString> server; // a saved server's name; the options above override it
    QString command;               // "list", "pause", ... ; "help" and "version" print and leave
    QStringList arguments;         // the command's operands
    Format format = Format::Table;
    QStringList columns;             // list/watch: empty for the stored layout's shown columns
    int timeoutSecs = 30;            // the longest one exchange may take
    std::optional<int> intervalSecs; // watch: empty for the window's refresh interval
    QString sortKey;                 // list/watch: a column key or a typed key; empty: server order
    bool sortDescending = false;
    QString filterText;       // list/watch: names containing it, in any case
    int statusFilter = 0;     // list/watch: a view::StatusFilter; 0 is All
    QString onFinish;         // events: a shell command run for each finished torrent
    int hookTimeoutSecs = 60; // events: how long one hook may run
};

// Reads argv (without the program name). Returns the invocation, or sets `error` to one line
// that names what is wrong.
std::optional<Invocation> parse(const QStringList& arguments, QString& error);

// The usage text printed by --help and after a usage error.
QString usage();

// The protocol code of a priority name ("highest" .. "lowest"), or nothing.
std::optional<QByteArray> priorityCode(const QString& name);

} // namespace tavrin::cli
