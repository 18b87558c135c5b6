#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <pugixml.hpp>

// The Column layout document: <Cols> with one <Col key width index show> per field of a status
// row, in field order; `index` is the display position, `show` "1" shows the column.
namespace tavrin::columns {

// The built-in default of a server version, as the exact text it is composed from.
QString defaultText(bool version3);

// Replaces the document's content with the parsed text; whitespace-only text between elements
// is dropped. Text that does not parse leaves the document empty. Returns whether it parsed.
bool parse(pugi::xml_document& document, const QString& text);

// The document as text; an empty document gives the empty text.
QString serialize(const pugi::xml_document& document);

// The first Col element under the root Cols, in document order, whose index attribute is
// exactly the decimal text of position (so "01" is not 1), or a null node.
pugi::xml_node elementAt(const pugi::xml_document& document, int position);

// The field of a status row that a Col element describes: its 1-based place among the Col
// elements under Cols, in document order.
int fieldNumber(pugi::xml_node element);

// The number of Col elements directly under the root Cols; 0 under any other root.
int elementCount(const pugi::xml_document& document);

// True when the element's show attribute is exactly "1".
bool isShown(pugi::xml_node element);

// The element's key as program text.
QString key(pugi::xml_node element);

// All Col elements whose key equals the given text, in document order. The key is compared
// directly, never composed into an expression, so any character is safe.
QList<pugi::xml_node> elementsWithKey(const pugi::xml_document& document, const QString& key);

// The width a column gets when its element has no usable width: one inch.
inline constexpr double standardWidthTwips = 1440.0;

// The element's width in twips: nothing when it has no width attribute or one that is not a
// non-negative number; very large widths are held to a sane limit.
std::optional<double> widthTwips(pugi::xml_node element);

// One column of the list: its caption and its width in twips (standard when none).
struct ColumnHeader {
    QString caption;
    double widthTwips = standardWidthTwips;
};

// The list's columns, left to right: display positions from 1 up to the first one that no
// element carries, the shown ones only.
QList<ColumnHeader> columnHeaders(const pugi::xml_document& document);

} // namespace tavrin::columns
