#include "core/net/WireProtocol.h"

#include <QCoreApplication>

namespace tavrin::wire {

namespace {
QByteArray join(QByteArrayView verb, QByteArrayView argument)
{
    QByteArray text;
    text.reserve(verb.size() + argument.size());
    text.append(verb).append(argument);
    return text;
}
} // namespace

QByteArray request(QByteArrayView uniqueId, QByteArrayView command)
{
    QByteArray text;
    text.reserve(4 + uniqueId.size() + command.size());
    text.append("ID|").append(uniqueId).append('\n').append(command);
    return text;
}

QByteArray linkBytes(const QString& link)
{
    QByteArray bytes;
    bytes.reserve(link.size());
    for (qsizetype i = 0; i < link.size(); ++i) {
        const QChar ch = link.at(i);
        if (ch.unicode() <= 0xFF) {
            bytes.append(static_cast<char>(ch.unicode()));
            continue;
        }
        // A surrogate pair is one character; a lone surrogate stands for nothing and is
        // sent as the replacement character, visibly.
        if (ch.isHighSurrogate() && i + 1 < link.size() && link.at(i + 1).isLowSurrogate()) {
            bytes.append(link.sliced(i, 2).toUtf8().toPercentEncoding());
            ++i;
        } else if (ch.isSurrogate()) {
            bytes.append("%EF%BF%BD");
        } else {
            bytes.append(QString(ch).toUtf8().toPercentEncoding());
        }
    }
    return bytes;
}

std::optional<QByteArray> latin1(const QString& text)
{
    for (const QChar ch : text) {
        if (ch.unicode() > 0xFF)
            return std::nullopt;
    }
    return text.toLatin1();
}

QByteArray query()
{
    return QByteArrayLiteral("QUERY|");
}
QByteArray add(QByteArrayView link)
{
    return join("ADD|", link);
}
QByteArray queueAll()
{
    return QByteArrayLiteral("QUEUE|ALL");
}
QByteArray stopAll()
{
    return QByteArrayLiteral("STOP|ALL");
}
QByteArray deleteCompleted()
{
    return QByteArrayLiteral("DELETE|COMPLETED");
}
QByteArray pause(QByteArrayView id)
{
    return join("PAUSE|", id);
}
QByteArray resume(QByteArrayView id)
{
    return join("RESUME|", id);
}
QByteArray queue(QByteArrayView id)
{
    return join("QUEUE|", id);
}
QByteArray stop(QByteArrayView id)
{
    return join("STOP|", id);
}
QByteArray remove(QByteArrayView id)
{
    return join("DELETE|", id);
}

QByteArray priority(QByteArrayView id, QByteArrayView code)
{
    QByteArray text = join("PRIORITY|", id);
    text.append(',').append(code);
    return text;
}

std::optional<QString> torrentIdProblem(QByteArrayView id, IdSource source, bool forPriority)
{
    const QString shown = QString::fromLatin1(id);
    for (const char* word : {"ALL", "COMPLETED"}) {
        if (QLatin1StringView(id).compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0)
            return QCoreApplication::translate(
                       "WireProtocol", "The identifier \"%1\" is a word the server reads as every "
                                       "torrent; nothing was sent.")
                .arg(shown);
    }
    const auto bad = [&shown](const QString& what) {
        return QCoreApplication::translate(
                   "WireProtocol", "The identifier \"%1\" holds %2, which would end the command; "
                                   "nothing was sent.")
            .arg(shown, what);
    };
    if (id.contains('|'))
        return bad(QStringLiteral("\"|\""));
    if (id.contains('\n'))
        return bad(QCoreApplication::translate("WireProtocol", "a line break"));
    if (forPriority && id.contains(','))
        return bad(QStringLiteral("\",\""));
    if (source == IdSource::Typed) {
        if (id.isEmpty())
            return QCoreApplication::translate("WireProtocol",
                                               "The identifier is empty; nothing was sent.");
        for (const char c : id) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                return bad(QCoreApplication::translate("WireProtocol", "a control character"));
        }
    }
    return std::nullopt;
}

} // namespace tavrin::wire
