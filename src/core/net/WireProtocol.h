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

// The text as single bytes, or nothing when a character lies outside Latin-1 and would be lost.
std::optional<QByteArray> latin1(const QString& text);

} // namespace tavrin::wire
