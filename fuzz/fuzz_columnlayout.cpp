// Reads arbitrary text as a column layout stored in the settings (users edit it by hand), then
// derives everything the program does from it: the list's columns, the plan a status reply is
// applied by, the key lookups of the column chooser, and the text a Save stores back.

#include "FuzzCheck.h"

#include "core/columns/ColumnLayout.h"
#include "core/columns/ColumnPlan.h"

#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <pugixml.hpp>

namespace columns = tavrin::columns;
using tavrin::ColumnPlan;

namespace {

bool sameHeaders(const QList<columns::ColumnHeader>& a, const QList<columns::ColumnHeader>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i).caption != b.at(i).caption || a.at(i).widthTwips != b.at(i).widthTwips)
            return false;
    }
    return true;
}

bool samePlan(const ColumnPlan& a, const ColumnPlan& b)
{
    return a.start() == b.start() && a.fields() == b.fields() && a.keys() == b.keys() &&
           a.startFailure() == b.startFailure() && a.walkFailure() == b.walkFailure();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    // The settings hand the stored text over as a string, whatever bytes the file held.
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    pugi::xml_document document;
    const bool parsed = columns::parse(document, text);
    if (!parsed)
        FUZZ_CHECK(!document.first_child());

    const int count = columns::elementCount(document);
    const QList<columns::ColumnHeader> headers = columns::columnHeaders(document);
    FUZZ_CHECK(headers.size() <= count);
    for (const columns::ColumnHeader& header : headers) {
        FUZZ_CHECK(std::isfinite(header.widthTwips) && header.widthTwips >= 0 &&
                   header.widthTwips <= 100000);
        // The column chooser finds a shown column's element by its caption. A keyless one shows
        // an empty caption and is found by nothing.
        FUZZ_CHECK(header.caption.isEmpty() ||
                   !columns::elementsWithKey(document, header.caption).isEmpty());
    }

    for (int position = 1; position <= count + 1; ++position) {
        const pugi::xml_node element = columns::elementAt(document, position);
        if (!element)
            continue;
        const int field = columns::fieldNumber(element);
        FUZZ_CHECK(field >= 1 && field <= count);
    }

    const ColumnPlan plan = ColumnPlan::resolve(document);
    FUZZ_CHECK(plan.fields().size() == plan.keys().size());
    FUZZ_CHECK(plan.fields().size() <= count);
    for (const int field : plan.fields())
        FUZZ_CHECK(field >= 1 && field <= count);
    if (plan.start() != ColumnPlan::Start::Shown)
        FUZZ_CHECK(plan.fields().isEmpty());
    else
        FUZZ_CHECK(!plan.fields().isEmpty());
    FUZZ_CHECK((plan.start() == ColumnPlan::Start::Fails) == !plan.startFailure().isEmpty());

    // What a Save stores must read back as the same layout, and store the same text again.
    const QString stored = columns::serialize(document);
    FUZZ_CHECK(stored.isEmpty() == !document.first_child());
    if (stored.isEmpty())
        return 0;
    pugi::xml_document reread;
    FUZZ_CHECK(columns::parse(reread, stored));
    FUZZ_CHECK(columns::serialize(reread) == stored);
    FUZZ_CHECK(columns::elementCount(reread) == count);
    FUZZ_CHECK(sameHeaders(columns::columnHeaders(reread), headers));
    FUZZ_CHECK(samePlan(ColumnPlan::resolve(reread), plan));
    return 0;
}
