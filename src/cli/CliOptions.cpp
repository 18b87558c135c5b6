#include "cli/CliOptions.h"

#include "core/view/TorrentFilter.h"

#include <QHash>

namespace tavrin::cli {

namespace {

// Commands and how many operands each takes; -1: one or more.
constexpr int oneOrMore = -1;
const QHash<QString, int>& operandCounts()
{
    static const QHash<QString, int> counts = {
        {QStringLiteral("list"), 0},        {QStringLiteral("watch"), 0},
        {QStringLiteral("servers"), 0},     {QStringLiteral("events"), 0},
        {QStringLiteral("add"), oneOrMore}, {QStringLiteral("pause"), 1},
        {QStringLiteral("resume"), 1},      {QStringLiteral("stop"), 1},
        {QStringLiteral("queue"), 1},       {QStringLiteral("delete"), 1},
        {QStringLiteral("priority"), 2},    {QStringLiteral("pause-all"), 0},
        {QStringLiteral("resume-all"), 0},  {QStringLiteral("stop-all"), 0},
        {QStringLiteral("queue-all"), 0},   {QStringLiteral("delete-completed"), 0},
    };
    return counts;
}

// The number of single-character edits between two words.
qsizetype editDistance(QStringView a, QStringView b)
{
    QList<qsizetype> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                               diagonal + (a[i - 1].toLower() == b[j - 1].toLower() ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The command a mistyped one most likely meant, if any is close.
QString nearestCommand(const QString& typed)
{
    QString best;
    qsizetype bestDistance = 3; // more edits than this is another word
    QStringList commands = operandCounts().keys();
    commands.sort();
    for (const QString& command : std::as_const(commands)) {
        const qsizetype distance =
            command.startsWith(typed, Qt::CaseInsensitive) && typed.size() > 1
                ? 1
                : editDistance(typed.left(64), command);
        if (distance < bestDistance) {
            best = command;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "Usage: tavrin-cli [--server NAME] [--host H] [--port P] [--id ID]\n"
        "                  [--server-version 2|3] [--timeout SECS] COMMAND [ARGS]\n"
        "\n"
        "Commands:\n"
        "  list [--json | --json-lines | --tsv] [--columns NAME,NAME,...]\n"
        "       [--sort KEY[:desc]] [--filter TEXT] [--status STATE]\n"
        "                                print the torrents, one per line\n"
        "  add LINK...                   add torrents by link, printing each answer\n"
        "  pause ID | resume ID | stop ID | queue ID | delete ID\n"
        "  priority ID highest|high|normal|low|lowest\n"
        "  pause-all | resume-all        one command per torrent, 500 ms apart\n"
        "  stop-all | queue-all | delete-completed\n"
        "  watch [--interval SECS] [--columns ...] [--sort ...] [--filter ...] [--status ...]\n"
        "                                redraw the list until Ctrl+C\n"
        "  servers                       the names of the servers saved in Tavrin's window\n"
        "  events [--interval SECS] [--on-finish CMD] [--hook-timeout SECS]\n"
        "                                one JSON object per line for each change, until\n"
        "                                Ctrl+C; CMD runs for each finished torrent with\n"
        "                                TAVRIN_ID, TAVRIN_NAME and TAVRIN_SERVER set,\n"
        "                                stopped after SECS (60 by default)\n"
        "\n"
        "Host, port, unique ID and server version default to the ones Tavrin's window last\n"
        "connected with, or to the saved server --server names; nothing is written back.\n"
        "Each exchange with the server may take --timeout seconds (30 by default). Column\n"
        "names match in any case. --sort takes a column key (Size) or a typed key\n"
        "(size_bytes); --status one of All, Downloading, Seeding, Completed, Paused,\n"
        "Stopped, Queued, Error. -- ends the options. --help prints this text, --version\n"
        "the program's version.\n"
        "\n"
        "Exit status: 0 done; 1 the server answered with an error or has no such torrent;\n"
        "2 bad usage; 3 the server could not be reached or the exchange failed (a reply\n"
        "the window would refuse too); 130 or 143 interrupted by Ctrl+C or a TERM signal.\n");
}

std::optional<QByteArray> priorityCode(const QString& name)
{
    static const QStringList names = {QStringLiteral("highest"), QStringLiteral("high"),
                                      QStringLiteral("normal"), QStringLiteral("low"),
                                      QStringLiteral("lowest")};
    const qsizetype code = names.indexOf(name.toLower());
    if (code < 0)
        return std::nullopt;
    return QByteArray::number(code);
}

std::optional<Invocation> parse(const QStringList& arguments, QString& error)
{
    Invocation invocation;
    QStringList operands;
    bool formatGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        std::optional<QString> inlineValue;
        if (option.startsWith(QLatin1String("--")) && option.contains(QLatin1Char('='))) {
            inlineValue = option.section(QLatin1Char('='), 1);
            option = option.section(QLatin1Char('='), 0, 0);
        }
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a value.").arg(option);
                return std::nullopt;
            }
            return arguments.at(++i);
        };

        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            invocation.command = QStringLiteral("help");
            return invocation;
        }
        if (option == QLatin1String("--version")) {
            invocation.command = QStringLiteral("version");
            return invocation;
        }
        if (option == QLatin1String("--")) {
            operands.append(arguments.mid(i + 1));
            break;
        }
        if (option == QLatin1String("--server-version")) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            if (v != QLatin1String("2") && v != QLatin1String("3")) {
                error = QStringLiteral("--server-version takes 2 or 3, not \"%1\".").arg(*v);
                return std::nullopt;
            }
            invocation.version3 = *v == QLatin1String("3");
        } else if (option == QLatin1String("--server")) {
            if (!(invocation.server = value()))
                return std::nullopt;
        } else if (option == QLatin1String("--host")) {
            if (!(invocation.host = value()))
                return std::nullopt;
        } else if (option == QLatin1String("--port")) {
            if (!(invocation.port = value()))
                return std::nullopt;
        } else if (option == QLatin1String("--id")) {
            if (!(invocation.uniqueId = value()))
                return std::nullopt;
        } else if (option == QLatin1String("--json") || option == QLatin1String("--tsv") ||
                   option == QLatin1String("--json-lines")) {
            if (formatGiven) {
                error = QStringLiteral("--json, --json-lines and --tsv exclude each other.");
                return std::nullopt;
            }
            formatGiven = true;
            invocation.format = option == QLatin1String("--json")         ? Format::Json
                                : option == QLatin1String("--json-lines") ? Format::JsonLines
                                                                          : Format::Tsv;
        } else if (option == QLatin1String("--on-finish")) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            invocation.onFinish = *v;
        } else if (option == QLatin1String("--sort")) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            invocation.sortKey = *v;
            for (const QLatin1StringView order :
                 {QLatin1StringView(":desc"), QLatin1StringView(":asc")}) {
                if (invocation.sortKey.endsWith(order, Qt::CaseInsensitive)) {
                    invocation.sortDescending = order == QLatin1StringView(":desc");
                    invocation.sortKey.chop(order.size());
                }
            }
            if (invocation.sortKey.isEmpty()) {
                error = QStringLiteral("--sort takes a key, as in --sort Size:desc.");
                return std::nullopt;
            }
        } else if (option == QLatin1String("--filter")) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            invocation.filterText = *v;
        } else if (option == QLatin1String("--status")) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            const QStringList names = view::statusFilterNames();
            qsizetype found = -1;
            for (qsizetype n = 0; n < names.size(); ++n)
                found = names.at(n).compare(*v, Qt::CaseInsensitive) == 0 ? n : found;
            if (found < 0) {
                error = QStringLiteral("--status takes one of %1, not \"%2\".")
                            .arg(names.join(QStringLiteral(", ")), *v);
                return std::nullopt;
            }
            invocation.statusFilter = int(found);
        } else if (option == QLatin1String("--columns")) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            invocation.columns = v->split(QLatin1Char(','));
            if (invocation.columns.contains(QString())) {
                error = QStringLiteral("--columns takes names separated by commas, not \"%1\".")
                            .arg(*v);
                return std::nullopt;
            }
        } else if (option == QLatin1String("--timeout") || option == QLatin1String("--interval") ||
                   option == QLatin1String("--hook-timeout")) {
            const auto v = value();
            if (!v)
                return std::nullopt;
            const bool interval = option == QLatin1String("--interval");
            const int most = interval ? 86400 : 3600;
            bool ok = false;
            const int seconds = v->toInt(&ok);
            if (!ok || seconds < 1 || seconds > most) {
                error = QStringLiteral("%1 takes whole seconds from 1 to %2, not \"%3\".")
                            .arg(option)
                            .arg(most)
                            .arg(*v);
                return std::nullopt;
            }
            if (interval)
                invocation.intervalSecs = seconds;
            else if (option == QLatin1String("--timeout"))
                invocation.timeoutSecs = seconds;
            else
                invocation.hookTimeoutSecs = seconds;
        } else if (option.startsWith(QLatin1Char('-')) && option.size() > 1) {
            error = QStringLiteral("Unknown option %1.").arg(option);
            return std::nullopt;
        } else {
            operands.append(arguments.at(i));
        }
    }

    if (operands.isEmpty()) {
        error = QStringLiteral("No command given.");
        return std::nullopt;
    }
    invocation.command = operands.takeFirst();
    const auto count = operandCounts().constFind(invocation.command);
    if (count == operandCounts().cend()) {
        error = QStringLiteral("Unknown command \"%1\".").arg(invocation.command);
        if (const QString nearest = nearestCommand(invocation.command); !nearest.isEmpty())
            error += QStringLiteral(" Did you mean \"%1\"?").arg(nearest);
        return std::nullopt;
    }
    if (*count == oneOrMore && operands.isEmpty()) {
        error =
            QStringLiteral("%1 takes one or more arguments, none given.").arg(invocation.command);
        return std::nullopt;
    }
    if (*count != oneOrMore && operands.size() != *count) {
        error = QStringLiteral("%1 takes %2 argument(s), %3 given.")
                    .arg(invocation.command)
                    .arg(*count)
                    .arg(operands.size());
        return std::nullopt;
    }
    const bool listing =
        invocation.command == QLatin1String("list") || invocation.command == QLatin1String("watch");
    if (!listing &&
        (formatGiven || !invocation.columns.isEmpty() || !invocation.sortKey.isEmpty() ||
         !invocation.filterText.isEmpty() || invocation.statusFilter != 0)) {
        error = QStringLiteral("--json, --tsv, --columns, --sort, --filter and --status go with "
                               "list and watch only.");
        return std::nullopt;
    }
    if ((invocation.format == Format::Json || invocation.format == Format::JsonLines) &&
        !invocation.columns.isEmpty()) {
        error = QStringLiteral("--json and --json-lines print every field; --columns goes with "
                               "the table and --tsv.");
        return std::nullopt;
    }
    const bool events = invocation.command == QLatin1String("events");
    if (invocation.intervalSecs && invocation.command != QLatin1String("watch") && !events) {
        error = QStringLiteral("--interval goes with watch and events only.");
        return std::nullopt;
    }
    if (!invocation.onFinish.isEmpty() && !events) {
        error = QStringLiteral("--on-finish goes with events only.");
        return std::nullopt;
    }
    if (invocation.command == QLatin1String("watch") && formatGiven) {
        error = QStringLiteral("watch draws a table; --json and --tsv go with list.");
        return std::nullopt;
    }
    if (invocation.command == QLatin1String("priority") && !priorityCode(operands.at(1))) {
        error = QStringLiteral("Priority \"%1\" is not one of highest, high, normal, low, lowest.")
                    .arg(operands.at(1));
        return std::nullopt;
    }
    invocation.arguments = operands;
    return invocation;
}

} // namespace tavrin::cli
