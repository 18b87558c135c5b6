#include "core/columns/ColumnLayout.h"

#include "core/platform/Numbers.h"

#include <QList>
#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace tavrin::columns {

namespace {

struct DefaultColumn {
    const char* key;
    int width; // 0: none
    int index;
};

constexpr DefaultColumn version3Columns[] = {
    {"FileName", 3000, 1},  {"Progress", 1000, 2},
    {"BT Status", 1750, 3}, {"Priority", 1750, 4},
    {"ETA", 750, 5},        {"Size", 0, 6},
    {"DL Speed", 0, 7},     {"UL Speed", 0, 8},
    {"%UL/DL", 0, 9},       {"Message", 0, 10},
    {"Seeds", 0, 11},       {"Peers", 0, 12},
    {"Copies", 0, 13},      {"Peer Avg Progress", 0, 14},
    {"DL Size", 0, 15},     {"UL Size", 0, 16},
    {"Total Speed", 0, 17}, {"Torrent Name", 0, 18},
    {"Destination", 0, 19}, {"Seeding Time", 0, 20},
    {"Connections", 0, 21}, {"Seeding Option", 0, 21},
};

constexpr DefaultColumn version2Columns[] = {
    {"FileName", 3000, 1},  {"Progress", 1000, 2},
    {"BT Status", 1750, 3}, {"ETA", 750, 4},
    {"DL Speed", 0, 5},     {"DL Speed", 0, 5},
    {"UL Speed", 0, 6},     {"%UL/DL", 0, 7},
    {"#Peers", 0, 8},       {"#Seeds", 0, 9},
    {"#Copies", 0, 10},     {"DL Size", 0, 11},
    {"UL Size", 0, 12},     {"Peer Avg Progress", 0, 13},
    {"Total Speed", 0, 14},
};

template <std::size_t N> QString compose(const DefaultColumn (&columns)[N])
{
    QString text = QStringLiteral("<Cols>");
    for (const DefaultColumn& c : columns) {
        text += QStringLiteral("    <Col key='%1'").arg(QLatin1String(c.key));
        if (c.width > 0)
            text += QStringLiteral(" width='%1'").arg(c.width);
        text += QStringLiteral(" index='%1' show='1'/>").arg(c.index);
    }
    text += QStringLiteral("</Cols>");
    return text;
}

} // namespace

QString defaultText(bool version3)
{
    return version3 ? compose(version3Columns) : compose(version2Columns);
}

bool parse(pugi::xml_document& document, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    // The default options drop whitespace-only text, comments and processing instructions.
    const pugi::xml_parse_result result =
        document.load_buffer(utf8.constData(), static_cast<size_t>(utf8.size()),
                             pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        document.reset();
        return false;
    }
    // Character references can make text that a save would not read back the same: a carriage
    // return (read back as a line feed) or text of blanks only (read back as nothing). Text
    // between elements means nothing to a layout, so it is made what a reread would make it.
    struct ReferencedBlanks : pugi::xml_tree_walker {
        std::vector<pugi::xml_node> blank;
        bool for_each(pugi::xml_node& node) override
        {
            if (node.type() != pugi::node_pcdata)
                return true;
            std::string value = node.value();
            if (value.find_first_not_of(" \t\r\n") == std::string::npos) {
                blank.push_back(node);
            } else if (value.find('\r') != std::string::npos) {
                std::replace(value.begin(), value.end(), '\r', '\n');
                node.set_value(value.c_str());
            }
            return true;
        }
    } blanks;
    document.traverse(blanks);
    for (const pugi::xml_node& node : blanks.blank)
        node.parent().remove_child(node);
    return true;
}

QString serialize(const pugi::xml_document& document)
{
    if (!document.first_child())
        return {};
    std::ostringstream out;
    document.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return QString::fromStdString(out.str());
}

pugi::xml_node elementAt(const pugi::xml_document& document, int position)
{
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, "%d", position);
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "Cols") != 0)
        return {};
    for (pugi::xml_node col = root.child("Col"); col; col = col.next_sibling("Col")) {
        const pugi::xml_attribute index = col.attribute("index");
        if (index && std::strcmp(index.value(), wanted) == 0)
            return col;
    }
    return {};
}

int fieldNumber(pugi::xml_node element)
{
    int position = 1;
    for (pugi::xml_node n = element.previous_sibling("Col"); n; n = n.previous_sibling("Col"))
        ++position;
    return position;
}

int elementCount(const pugi::xml_document& document)
{
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "Cols") != 0)
        return 0;
    int count = 0;
    for (pugi::xml_node col = root.child("Col"); col; col = col.next_sibling("Col"))
        ++count;
    return count;
}

bool isShown(pugi::xml_node element)
{
    const pugi::xml_attribute show = element.attribute("show");
    return show && std::strcmp(show.value(), "1") == 0;
}

QString key(pugi::xml_node element)
{
    return QString::fromUtf8(element.attribute("key").value());
}

QList<pugi::xml_node> elementsWithKey(const pugi::xml_document& document, const QString& key)
{
    QList<pugi::xml_node> found;
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "Cols") != 0)
        return found;
    for (pugi::xml_node col = root.child("Col"); col; col = col.next_sibling("Col")) {
        const pugi::xml_attribute k = col.attribute("key");
        // Compared as program text: a key that is not valid UTF-8 (a character reference to a
        // surrogate, say) must still be found by the caption it shows as.
        if (k && columns::key(col) == key)
            found.append(col);
    }
    return found;
}

std::optional<double> widthTwips(pugi::xml_node element)
{
    const pugi::xml_attribute width = element.attribute("width");
    if (!width)
        return std::nullopt;
    const std::optional<double> value = parseDecimal(QByteArrayView(width.value()));
    if (!value || !(*value >= 0))
        return std::nullopt;
    // About seventy inches: wider than any screen, and safe to turn into pixels.
    return std::min(*value, 100000.0);
}

QList<ColumnHeader> columnHeaders(const pugi::xml_document& document)
{
    QList<ColumnHeader> headers;
    for (int position = 1;; ++position) {
        const pugi::xml_node col = elementAt(document, position);
        if (!col)
            break;
        if (!isShown(col))
            continue;
        headers.append({key(col), widthTwips(col).value_or(standardWidthTwips)});
    }
    return headers;
}

} // namespace tavrin::columns
