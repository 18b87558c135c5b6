#include "core/net/ReplyFramer.h"

#include "core/net/WireProtocol.h"

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
    reset();
    return data;
}

void ReplyFramer::reset()
{
    m_data.clear();
    m_kind = Kind::Undecided;
}

} // namespace tavrin
