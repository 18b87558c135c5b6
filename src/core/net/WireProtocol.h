#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// What crosses the connection to the command service: single-byte text, LF line ends.
namespace tavrin::wire {

inline constexpr QByteArrayView errorPrefix{"Feedback\nError="};

// "ID|" + the unique ID + LF + the command, sent in one piece.
QByteArray request(QByteArrayView uniqueId, QByteArrayView command);

QByteArray query();
QByteArray add(QByteArrayView link);
QByteArray queueAll();
QByteArray stopAll();
QByteArray deleteCompleted();
QByteArray pause(QByteArrayView id);
QByteArray resume(QByteArrayView id);
QByteArray queue(QByteArrayView id);
QByteArray stop(QByteArrayView id);
QByteArray remove(QByteArrayView id);
// code "0" (Highest) to "4" (Lowest)
QByteArray priority(QByteArrayView id, QByteArrayView code);

// The link as sent after "ADD|": characters up to U+00FF as their single byte, every other
// character percent-encoded as UTF-8, as a browser sends such a link.
QByteArray linkBytes(const QString& link);

// Where an identifier comes from: the server's own list (sent back as it came, a trailing CR
// included), or a person typing it (no control character at all).
enum class IdSource { ServerList, Typed };

// Why `id` cannot stand as the one torrent a command names, or nothing: a word the server reads
// as every torrent ("ALL", "COMPLETED"), a separator of the command ("|", LF, and "," after
// "PRIORITY|"), or for a typed one, no text or a control character.
std::optional<QString> torrentIdProblem(QByteArrayView id, IdSource source, bool forPriority);

// The text as single bytes, or nothing when a character lies outside Latin-1 and would be lost.
std::optional<QByteArray> latin1(const QString& text);

} // namespace tavrin::wire
