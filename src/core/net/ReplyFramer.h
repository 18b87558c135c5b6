#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QIODevice;

namespace tavrin {

// Gathers the reply of one exchange from the pieces the connection delivers. Whether it is an
// error reply is read from its first bytes, so any split of the same bytes gives the same result.
class ReplyFramer {
public:
    // A misbehaving server must not make the reply grow without bound.
    static constexpr qsizetype defaultLimit = 64 * 1024 * 1024;

    enum class Kind { Undecided, Reply, ErrorReply };
    enum class Appended { More, Decided, TooLarge };

    explicit ReplyFramer(qsizetype limit = defaultLimit) : m_limit(limit) {}

    // Appends a piece. Decided comes once per reply, with the piece that settles kind();
    // TooLarge drops everything gathered.
    Appended append(QByteArrayView piece);
    // The same with what the device has ready, read straight into the gathered reply.
    Appended readFrom(QIODevice& device);
    // The server closed: a reply still undecided (shorter than the error prefix) is a plain one.
    Kind finish();

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_data.isEmpty(); }
    // Everything gathered so far.
    const QByteArray& data() const { return m_data; }
    // The text after the error prefix; empty unless kind() is ErrorReply.
    QByteArrayView errorMessage() const;
    // Hands the gathered reply over and starts afresh.
    QByteArray take();
    void reset();
    void setLimit(qsizetype bytes) { m_limit = bytes; }
    qsizetype limit() const { return m_limit; }

private:
    // Settles kind() from the first bytes once there are enough of them.
    Appended decide();

    QByteArray m_data;
    Kind m_kind = Kind::Undecided;
    qsizetype m_limit;
    // The size of the last reply handed over: replies to a refresh are about the same size, so
    // the next one gets its room at once instead of being copied as it grows.
    qsizetype m_lastSize = 0;
};

} // namespace tavrin
