#include "cli/ListOutput.h"

#include "core/columns/ColumnLayout.h"
#include "core/columns/ColumnPlan.h"
#include "core/platform/MessageText.h"
#include "core/torrents/FieldDisplay.h"
#include "core/torrents/ReplyRows.h"
#include "core/torrents/TorrentListModel.h"

#include <algorithm>

namespace tavrin::cli {

namespace {

constexpr qsizetype chunkBytes = 64 * 1024;

// Tab, CR and backslash escaped, so a value stays in its cell and line.
QByteArray tsvEscaped(QByteArrayView latin1)
{
    QByteArray out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return QString::fromLatin1(out).toUtf8();
}

// A JSON string of Latin-1 text, escaped as JSON writers commonly escape it.
QByteArray jsonString(const QString& text)
{
    QByteArray out = "\"";
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'"':
            out += "\\\"";
            break;
        case u'\\':
            out += "\\\\";
            break;
        case u'\b':
            out += "\\b";
            break;
        case u'\f':
            out += "\\f";
            break;
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20)
                out += QByteArray("\\u00") + QByteArray::number(c, 16).rightJustified(2, '0');
            else
                out += QString(ch).toUtf8();
        }
    }
    return out + '"';
}

} // namespace

bool chooseColumns(const pugi::xml_document& layout, const QStringList& wanted,
                   ColumnChoice& choice, QString& error)
{
    choice = {};
    if (wanted.isEmpty()) {
        const ColumnPlan plan = ColumnPlan::resolve(layout);
        const QString broken =
            plan.start() == ColumnPlan::Start::Fails ? plan.startFailure() : plan.walkFailure();
        if (!broken.isEmpty()) {
            error = QStringLiteral("The stored column layout is broken: %1").arg(broken);
            return false;
        }
        choice.names = plan.keys();
        choice.fields = plan.fields();
        return true;
    }
    for (QString name : wanted) {
        QList<pugi::xml_node> found = columns::elementsWithKey(layout, name);
        // "size" finds "Size": the exact key first, then the first one that differs only in case.
        for (pugi::xml_node col = layout.document_element().child("Col"); col && found.isEmpty();
             col = col.next_sibling("Col")) {
            if (columns::key(col).compare(name, Qt::CaseInsensitive) == 0) {
                name = columns::key(col);
                found = columns::elementsWithKey(layout, name);
            }
        }
        if (found.isEmpty()) {
            QStringList known;
            for (pugi::xml_node col = layout.document_element().child("Col"); col;
                 col = col.next_sibling("Col"))
                known.append(columns::key(col));
            known.removeDuplicates();
            error = QStringLiteral("Unknown column \"%1\"; the columns are: %2.")
                        .arg(name, known.join(QStringLiteral(", ")));
            return false;
        }
        choice.names.append(name);
        choice.fields.append(columns::fieldNumber(found.first()));
        choice.ownColumns = false;
    }
    return true;
}

bool listText(const TorrentListModel& model, const ColumnChoice& choice, Format format,
              int maxWidth, QString& error, QByteArray& out)
{
    return writeList(model, choice, format, maxWidth, error,
                     [&out](QByteArrayView piece) { out.append(piece); });
}

void ChunkedWriter::operator()(QByteArrayView piece)
{
    m_chunk.append(piece);
    if (m_chunk.size() >= chunkBytes)
        flush();
}

void ChunkedWriter::flush()
{
    if (m_chunk.isEmpty())
        return;
    std::fwrite(m_chunk.constData(), 1, static_cast<size_t>(m_chunk.size()), m_stream);
    std::fflush(m_stream);
    m_chunk.clear();
}

namespace detail {

int rowCount(const TorrentListModel& model)
{
    return model.count();
}

bool checkRows(const TorrentListModel& model, const ColumnChoice& choice, QString& error)
{
    if (choice.ownColumns)
        return true; // the window's own check let every row in
    for (int position = 1; position <= model.count(); ++position) {
        const qsizetype fieldCount = replyrows::countBars(model.rowText(position)) + 1;
        for (qsizetype c = 0; c < choice.fields.size(); ++c) {
            if (choice.fields.at(c) > fieldCount) {
                error = QStringLiteral("Error - The row has %1 fields; column \"%2\" shows field "
                                       "%3.")
                            .arg(fieldCount)
                            .arg(choice.names.at(c))
                            .arg(choice.fields.at(c));
                return false;
            }
        }
    }
    return true;
}

QStringList headerCells(const ColumnChoice& choice)
{
    QStringList cells;
    for (const QString& name : choice.names)
        cells << terminalCell(name, tableCellCharacters);
    cells << QStringLiteral("id");
    return cells;
}

QStringList tableCells(const TorrentListModel& model, const ColumnChoice& choice, int position)
{
    QStringList cells;
    const QByteArrayView row = model.rowText(position);
    for (qsizetype c = 0; c < choice.fields.size(); ++c) {
        const QString shown =
            choice.ownColumns
                ? model.text(position, static_cast<int>(c))
                : display::displayedValue(replyrows::fieldAt(row, choice.fields.at(c)));
        cells << terminalCell(shown, tableCellCharacters);
    }
    cells << terminalCell(QString::fromLatin1(model.torrentId(position)), tableCellCharacters);
    return cells;
}

QByteArray tableLine(const QStringList& cells, const QList<qsizetype>& widths, int maxWidth)
{
    QString text;
    for (qsizetype c = 0; c < cells.size(); ++c) {
        if (c > 0)
            text += QLatin1String("  ");
        text += c + 1 < cells.size() ? cells.at(c).leftJustified(widths.at(c)) : cells.at(c);
    }
    if (maxWidth > 0 && text.size() > maxWidth)
        text.truncate(maxWidth);
    return text.toUtf8() + '\n';
}

QByteArray tsvHeader(const ColumnChoice& choice)
{
    QByteArray out;
    for (const QString& name : choice.names)
        out += tsvEscaped(name.toLatin1()) + '\t';
    return out + "id\n";
}

QByteArray tsvLine(const TorrentListModel& model, const ColumnChoice& choice, int position)
{
    const QByteArrayView row = model.rowText(position);
    QByteArray out;
    for (const int field : choice.fields)
        out += tsvEscaped(replyrows::fieldAt(row, field)) + '\t';
    return out + tsvEscaped(model.torrentId(position)) + '\n';
}

QByteArray jsonObject(const TorrentListModel& model, const ColumnChoice& choice, int position)
{
    // Keys in the order of their text; a column named twice appears once, with the later value.
    const QByteArrayView row = model.rowText(position);
    QList<std::pair<QString, QByteArrayView>> members;
    for (qsizetype c = 0; c < choice.fields.size(); ++c)
        members.append({choice.names.at(c), replyrows::fieldAt(row, choice.fields.at(c))});
    const QByteArray id = model.torrentId(position);
    members.append({QStringLiteral("id"), id});
    std::stable_sort(members.begin(), members.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QByteArray out = "    {\n";
    for (qsizetype i = 0; i < members.size(); ++i) {
        if (i + 1 < members.size() && members.at(i + 1).first == members.at(i).first)
            continue;
        if (out.size() > 6)
            out += ",\n";
        out += "        " + jsonString(members.at(i).first) + ": " +
               jsonString(QString::fromLatin1(members.at(i).second));
    }
    return out + "\n    }";
}

} // namespace detail

} // namespace tavrin::cli
