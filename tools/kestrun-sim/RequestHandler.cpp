#include "RequestHandler.h"

#include "TorrentSimulation.h"

namespace kestrunsim {

namespace {

QByteArray okReply(QByteArrayView detail)
{
    return "Feedback\nOK " + detail.toByteArray();
}

QByteArray countText(int count)
{
    return QByteArray::number(count) + " torrents";
}

} // namespace

RequestHandler::RequestHandler(TorrentSimulation& simulation, int serverVersion,
                               std::optional<QByteArray> uniqueId)
    : m_simulation(simulation), m_statusWriter(serverVersion), m_uniqueId(std::move(uniqueId))
{
}

QByteArray RequestHandler::errorReply(QByteArrayView message)
{
    return "Feedback\nError=" + message.toByteArray();
}

RequestHandler::Result RequestHandler::handle(QByteArrayView request)
{
    Result result;
    if (!request.startsWith("ID|")) {
        result.command = request.toByteArray();
        result.reply = errorReply("Missing ID line");
        return result;
    }
    const qsizetype lineEnd = request.indexOf('\n');
    const QByteArrayView idLine = lineEnd < 0 ? request : request.first(lineEnd);
    result.id = idLine.sliced(3).toByteArray();
    result.command = lineEnd < 0 ? QByteArray() : request.sliced(lineEnd + 1).toByteArray();
    if (m_uniqueId && *m_uniqueId != result.id)
        result.reply = errorReply("Wrong ID " + result.id);
    else
        result.reply = execute(result.command);
    return result;
}

QByteArray RequestHandler::execute(QByteArrayView command)
{
    if (command.isEmpty())
        return errorReply("Missing command");
    const qsizetype bar = command.indexOf('|');
    if (bar < 0)
        return errorReply("Unknown command " + command.toByteArray());
    const QByteArrayView verb = command.first(bar);
    const QByteArrayView argument = command.sliced(bar + 1);

    // Strict on purpose: a client that appends a line end to "QUERY|" should hear about it.
    if (verb == "QUERY") {
        if (!argument.isEmpty())
            return errorReply("Unexpected text after QUERY|");
        return m_statusWriter.write(m_simulation);
    }
    if (verb == "ADD") {
        if (argument.isEmpty())
            return errorReply("No link given");
        return okReply(m_simulation.add(argument).id);
    }
    if (verb == "STOP" && argument == "ALL")
        return okReply(countText(m_simulation.stopAll()));
    if (verb == "QUEUE" && argument == "ALL")
        return okReply(countText(m_simulation.queueAll()));
    if (verb == "DELETE" && argument == "COMPLETED")
        return okReply(countText(m_simulation.removeCompleted()));
    if (verb == "PRIORITY")
        return setPriority(argument);
    if (verb == "PAUSE" || verb == "RESUME" || verb == "STOP" || verb == "QUEUE" ||
        verb == "DELETE")
        return actOnOne(verb, argument);
    return errorReply("Unknown command " + command.toByteArray());
}

QByteArray RequestHandler::actOnOne(QByteArrayView verb, QByteArrayView id)
{
    if (verb == "DELETE") {
        if (!m_simulation.remove(id))
            return errorReply("Unknown torrent " + id.toByteArray());
        return okReply(id);
    }
    Torrent* torrent = m_simulation.find(id);
    if (!torrent)
        return errorReply("Unknown torrent " + id.toByteArray());
    if (verb == "PAUSE")
        TorrentSimulation::pause(*torrent);
    else if (verb == "RESUME")
        TorrentSimulation::resume(*torrent);
    else if (verb == "STOP")
        TorrentSimulation::stop(*torrent);
    else
        TorrentSimulation::queue(*torrent);
    return okReply(id);
}

QByteArray RequestHandler::setPriority(QByteArrayView argument)
{
    const qsizetype comma = argument.lastIndexOf(',');
    if (comma < 0)
        return errorReply("PRIORITY needs an identifier, a comma and a code");
    const QByteArrayView id = argument.first(comma);
    const QByteArrayView code = argument.sliced(comma + 1);
    if (code.size() != 1 || code[0] < '0' || code[0] > '4')
        return errorReply("Bad priority code " + code.toByteArray());
    Torrent* torrent = m_simulation.find(id);
    if (!torrent)
        return errorReply("Unknown torrent " + id.toByteArray());
    torrent->priority = TorrentPriority(code[0] - '0');
    return okReply(id);
}

} // namespace kestrunsim
