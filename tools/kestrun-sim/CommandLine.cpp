#include "CommandLine.h"

namespace kestrunsim {

CommandLine::CommandLine()
{
    m_parser.setApplicationDescription(
        QStringLiteral("Simulates the Kestrun command service on 127.0.0.1 for testing Tavrin."));
    m_parser.addHelpOption();
    m_parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("TCP port; 0 picks a free one (default 56667)."),
         QStringLiteral("N")},
        {QStringLiteral("version"), QStringLiteral("Server version whose rows to send: 2 or 3."),
         QStringLiteral("2|3")},
        {QStringLiteral("torrents"), QStringLiteral("Torrents present at start (default 25)."),
         QStringLiteral("N")},
        {QStringLiteral("id"), QStringLiteral("Accept only requests carrying this unique ID."),
         QStringLiteral("TEXT")},
        {QStringLiteral("chunk"), QStringLiteral("Send replies in pieces of N bytes, 5 ms apart."),
         QStringLiteral("N")},
        {QStringLiteral("delay"), QStringLiteral("Wait this long before sending each reply."),
         QStringLiteral("MS")},
        {QStringLiteral("speed"),
         QStringLiteral("Run downloads N times as fast, so that they finish while you watch "
                        "(default 1)."),
         QStringLiteral("N")},
        {QStringLiteral("crlf"), QStringLiteral("End reply lines with CR LF instead of LF.")},
        {QStringLiteral("refuse"), QStringLiteral("Close every connection at once, unanswered.")},
    });
}

bool CommandLine::parse(const QStringList& arguments)
{
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        return false;
    }
    if (helpRequested())
        return true;
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("Unexpected argument: ") + m_parser.positionalArguments().first();
        return false;
    }
    int port = m_options.port;
    if (!readInt(QStringLiteral("port"), 0, 65535, port) ||
        !readInt(QStringLiteral("version"), 2, 3, m_options.serverVersion) ||
        !readInt(QStringLiteral("torrents"), 0, 1'000'000, m_options.torrents) ||
        !readInt(QStringLiteral("chunk"), 0, 1 << 30, m_options.chunkSize) ||
        !readInt(QStringLiteral("delay"), 0, 3'600'000, m_options.delayMs) ||
        !readInt(QStringLiteral("speed"), 1, 100'000, m_options.speed))
        return false;
    m_options.port = quint16(port);
    // The terminal hands us the ID in the locale's encoding; send it back the same way.
    if (m_parser.isSet(QStringLiteral("id")))
        m_options.uniqueId = m_parser.value(QStringLiteral("id")).toLocal8Bit();
    m_options.crlf = m_parser.isSet(QStringLiteral("crlf"));
    m_options.refuse = m_parser.isSet(QStringLiteral("refuse"));
    return true;
}

bool CommandLine::readInt(const QString& name, int min, int max, int& target)
{
    if (!m_parser.isSet(name))
        return true;
    bool ok = false;
    const int value = m_parser.value(name).toInt(&ok);
    if (!ok || value < min || value > max) {
        m_error =
            QStringLiteral("--%1 must be a whole number from %2 to %3").arg(name).arg(min).arg(max);
        return false;
    }
    target = value;
    return true;
}

} // namespace kestrunsim
