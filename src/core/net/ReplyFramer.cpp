#include "core/net/ReplyFramer.h"

#include "core/net/WireProtocol.h"

#include <QIODevice>
#include <algorithm>

namespace tavrin {

ReplyFramer::Appended ReplyFramer::append(QByteArrayView piece)
{
    if (piece.isEmpty())
        return Appended::More;
    if (piece.size() > m_limit - m_data.size()) {
        reset();
        return Appended::TooLarge;
    }
    m_data.append(piece);
    return decide();
}

ReplyFramer::Appended ReplyFramer::readFrom(QIODevice& device)
{
    const qint64 available = device.bytesAvailable();
    if (available <= 0)
        return Appended::More;
    if (available > m_limit - m_data.size()) {
        reset();
        return Appended::TooLarge;
    }
    const qsizetype held = m_data.size();
    const qsizetype wanted = held + static_cast<qsizetype>(available);
    // Room for a reply like the last one, then grown by doubling up to the limit, so a long
    // reply is not copied once per piece.
    // The room is rounded to whole mebibytes so that the memory of a reply before can take it.
    if (held == 0 && m_lastSize > wanted) {
        constexpr qsizetype mebibyte = 1 << 20;
        const qsizetype room = (m_lastSize + m_lastSize / 8 + mebibyte - 1) / mebibyte * mebibyte;
        m_data.reserve(std::min(m_limit, room));
    }
    if (wanted > m_data.capacity())
        m_data.reserve(std::min(m_limit, std::max(wanted, 2 * m_data.capacity())));
    m_data.resize(wanted);
    const qint64 got = device.read(m_data.data() + held, available);
    m_data.resize(held + static_cast<qsizetype>(std::max<qint64>(got, 0)));
    if (got <= 0)
        return Appended::More;
    return decide();
}

ReplyFramer::Appended ReplyFramer::decide()
{
    if (m_kind != Kind::Undecided)
        return Appended::More;
    const QByteArrayView start =
        QByteArrayView(m_data).first(std::min(m_data.size(), wire::errorPrefix.size()));
    if (!wire::errorPrefix.startsWith(start)) {
        m_kind = Kind::Reply;
        return Appended::Decided;
    }
    if (start.size() == wire::errorPrefix.size()) {
        m_kind = Kind::ErrorReply;
        return Appended::Decided;
    }
    return Appended::More;
}

ReplyFramer::Kind ReplyFramer::finish()
{
    if (m_kind == Kind::Undecided && !m_data.isEmpty())
        m_kind = Kind::Reply;
    return m_kind;
}

QByteArrayView ReplyFramer::errorMessage() const
{
    if (m_kind != Kind::ErrorReply)
        return {};
    return QByteArrayView(m_data).sliced(wire::errorPrefix.size());
}

QByteArray ReplyFramer::take()
{
    QByteArray data = std::move(m_data);
    m_lastSize = data.size();
    reset();
    return data;
}

void ReplyFramer::reset()
{
    m_data.clear();
    m_kind = Kind::Undecided;
}

} // namespace tavrin
