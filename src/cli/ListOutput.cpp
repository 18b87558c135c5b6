#include "cli/ListOutput.h"

#include <cmath>

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

bool listText(const TorrentListModel& model, const std::vector<int>& positions,
              const ColumnChoice& choice, Format format, int maxWidth, QString& error,
              QByteArray& out)
{
    return writeList(model, positions, choice, format, maxWidth, error,
                     [&out](QByteArrayView piece) { out.append(piece); });
}

void chooseTypedFields(const pugi::xml_document& defaultLayout, bool version3, ColumnChoice& choice)
{
    choice.fieldKeys.clear();
    choice.typed.clear();
    for (pugi::xml_node col = defaultLayout.document_element().child("Col"); col;
         col = col.next_sibling("Col")) {
        const int field = columns::fieldNumber(col);
        // A key the layout names twice (version 2's DL Speed) keeps its first field: a JSON
        // object holds each key once.
        const QString key = columns::key(col);
        const bool known = std::any_of(choice.fieldKeys.cbegin(), choice.fieldKeys.cend(),
                                       [&key](const auto& k) { return k.first == key; });
        if (field > 0 && !known)
            choice.fieldKeys.append({key, field});
    }
    for (const view::TypedField& typed : view::typedFields()) {
        const char* column = version3 ? typed.version3Column : typed.version2Column;
        int field = 0;
        if (column) {
            const QList<pugi::xml_node> found =
                columns::elementsWithKey(defaultLayout, QLatin1String(column));
            field = found.isEmpty() ? 0 : columns::fieldNumber(found.first());
        }
        choice.typed.append({typed, field});
    }
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

QByteArray jsonText(QByteArrayView latin1)
{
    return jsonString(QString::fromLatin1(latin1));
}

QString fieldKey(const ColumnChoice& choice, int field)
{
    for (const auto& [key, number] : choice.fieldKeys) {
        if (number == field)
            return key;
    }
    return QStringLiteral("field%1").arg(field);
}

QByteArray typedObject(const TorrentListModel& model, const ColumnChoice& choice, int position)
{
    const QByteArrayView row = model.rowText(position);
    const auto text = [](QByteArrayView field) { return jsonString(QString::fromLatin1(field)); };
    // A number as JSON writes it: whole ones without a fraction, none that JSON cannot hold.
    const auto number = [](double value) -> QByteArray {
        if (!std::isfinite(value))
            return "null";
        if (value == std::floor(value) && std::abs(value) < 9.0e15)
            return QByteArray::number(qint64(value));
        return QByteArray::number(value, 'g', 15);
    };
    QByteArray out = "{\"id\":" + text(model.torrentId(position));
    for (const auto& [typed, field] : choice.typed) {
        out += ",\"" + QByteArray(typed.key) + "\":";
        if (field <= 0) {
            out += "null";
            continue;
        }
        const QByteArrayView value = replyrows::fieldAt(row, field);
        if (typed.kind == view::TypedField::Kind::Text) {
            out += text(value);
            continue;
        }
        const std::optional<double> n = view::numberIn(value);
        out += !n ? QByteArray("null")
                  : number(typed.kind == view::TypedField::Kind::Fraction ? *n / 100 : *n);
    }
    out += ",\"fields\":{";
    for (qsizetype i = 0; i < choice.fieldKeys.size(); ++i) {
        if (i > 0)
            out += ',';
        out += jsonString(choice.fieldKeys.at(i).first) + ':' +
               text(replyrows::fieldAt(row, choice.fieldKeys.at(i).second));
    }
    return out + "}}";
}

} // namespace detail

} // namespace tavrin::cli
