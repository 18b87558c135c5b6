#include "cli/TorrentTable.h"

#include "core/columns/ColumnLayout.h"
#include "core/columns/ColumnPlan.h"
#include "core/torrents/FieldDisplay.h"
#include "core/torrents/ReplyRows.h"
#include "core/torrents/TorrentListModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tavrin::cli {

bool chooseColumns(const pugi::xml_document& layout, const QStringList& wanted,
                   ColumnChoice& choice, QString& error)
{
    choice = {};
    if (wanted.isEmpty()) {
        const ColumnPlan plan = ColumnPlan::resolve(layout);
        if (plan.start() == ColumnPlan::Start::Fails) {
            error =
                QStringLiteral("The stored column layout is broken: %1").arg(plan.startFailure());
            return false;
        }
        if (!plan.walkFailure().isEmpty()) {
            error =
                QStringLiteral("The stored column layout is broken: %1").arg(plan.walkFailure());
            return false;
        }
        choice.names = plan.keys();
        choice.fields = plan.fields();
        return true;
    }
    for (const QString& name : wanted) {
        const QList<pugi::xml_node> found = columns::elementsWithKey(layout, name);
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

bool tableFromList(const TorrentListModel& model, const ColumnChoice& choice, TorrentTable& table,
                   QString& error)
{
    table = {};
    table.columns = choice.names;
    for (int position = 1; position <= model.count(); ++position) {
        TorrentTable::Row row;
        row.id = model.torrentId(position);
        const QByteArrayView rowText = model.rowText(position);
        const qsizetype fieldCount = replyrows::countBars(rowText) + 1;
        for (qsizetype c = 0; c < choice.fields.size(); ++c) {
            const int field = choice.fields.at(c);
            if (field > fieldCount) {
                error =
                    QStringLiteral("Error - The row has %1 fields; column \"%2\" shows field %3.")
                        .arg(fieldCount)
                        .arg(choice.names.at(c))
                        .arg(field);
                return false;
            }
            const QByteArrayView value = replyrows::fieldAt(rowText, field);
            row.values.append(value.toByteArray());
            row.shown.append(choice.ownColumns ? model.text(position, static_cast<int>(c))
                                               : display::displayedValue(value));
        }
        table.rows.append(std::move(row));
    }
    return true;
}

QString formatTable(const TorrentTable& table, int maxWidth)
{
    QList<QStringList> cells;
    QStringList header = table.columns;
    header.append(QStringLiteral("id"));
    cells.append(header);
    for (const TorrentTable::Row& row : table.rows) {
        QStringList line = row.shown;
        line.append(QString::fromLatin1(row.id));
        cells.append(line);
    }
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList& line : cells) {
        for (qsizetype c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line.at(c).size());
    }
    QString out;
    for (const QStringList& line : cells) {
        QString text;
        for (qsizetype c = 0; c < line.size(); ++c) {
            if (c > 0)
                text += QLatin1String("  ");
            text += c + 1 < line.size() ? line.at(c).leftJustified(widths[c]) : line.at(c);
        }
        // Control characters from the server must not move the terminal's cursor.
        for (QChar& ch : text) {
            if (ch.category() == QChar::Other_Control)
                ch = QChar(0xFFFD);
        }
        if (maxWidth > 0 && text.size() > maxWidth)
            text.truncate(maxWidth);
        out += text + QLatin1Char('\n');
    }
    return out;
}

QByteArray formatTsv(const TorrentTable& table)
{
    const auto escaped = [](const QString& text) {
        QString out;
        for (const QChar ch : text) {
            if (ch == QLatin1Char('\\'))
                out += QLatin1String("\\\\");
            else if (ch == QLatin1Char('\t'))
                out += QLatin1String("\\t");
            else if (ch == QLatin1Char('\r'))
                out += QLatin1String("\\r");
            else
                out += ch;
        }
        return out.toUtf8();
    };
    QByteArray out;
    for (const QString& name : table.columns)
        out += escaped(name) + '\t';
    out += "id\n";
    for (const TorrentTable::Row& row : table.rows) {
        for (const QByteArray& value : row.values)
            out += escaped(QString::fromLatin1(value)) + '\t';
        out += escaped(QString::fromLatin1(row.id)) + '\n';
    }
    return out;
}

QByteArray formatJson(const TorrentTable& table)
{
    QJsonArray array;
    for (const TorrentTable::Row& row : table.rows) {
        QJsonObject object;
        for (qsizetype c = 0; c < table.columns.size(); ++c)
            object.insert(table.columns.at(c), QString::fromLatin1(row.values.at(c)));
        object.insert(QStringLiteral("id"), QString::fromLatin1(row.id));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace tavrin::cli
