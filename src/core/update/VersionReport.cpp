#include "core/update/VersionReport.h"

#include <QCoreApplication>
#include <optional>
#include <pugixml.hpp>

namespace tavrin {

namespace {

// All text below an element, in document order, as the DOM's text content reads it. The walk
// goes by sibling and parent links, so a deeply nested document cannot exhaust the stack.
void appendTextContent(const pugi::xml_node& top, std::string& out)
{
    pugi::xml_node node = top.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            out += node.value();
        if (node.type() == pugi::node_element && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (!node.next_sibling() && node.parent() != top)
            node = node.parent();
        node = node.next_sibling();
    }
}

QString textContent(const pugi::xml_node& node)
{
    std::string text;
    appendTextContent(node, text);
    return QString::fromStdString(text);
}

// The `number` of a release; none when the attribute is missing.
std::optional<QString> number(const pugi::xml_node& version)
{
    const pugi::xml_attribute attribute = version.attribute("number");
    if (!attribute)
        return std::nullopt;
    return QString::fromUtf8(attribute.value());
}

QString missingNumberText()
{
    return QCoreApplication::translate("UpdateCheck",
                                       "A release in the version information has no number.");
}

} // namespace

QString downloadFailedText()
{
    return QCoreApplication::translate("UpdateCheck", "Failed to download version information.");
}

UpdateOutcome evaluateVersions(const QByteArray& body, const QString& runningVersion)
{
    // The default options neither read the document type nor expand declared entities.
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(body.constData(), static_cast<size_t>(body.size()));
    if (!parsed || !document.first_child())
        return UpdateOutcome::failure(downloadFailedText());

    const pugi::xml_node versions = document.child("Versions");
    const pugi::xml_node newest = versions.child("Version");
    if (!newest) {
        return UpdateOutcome::failure(QCoreApplication::translate(
            "UpdateCheck", "The version information lists no releases (no /Versions/Version)."));
    }
    const std::optional<QString> newestNumber = number(newest);
    if (!newestNumber)
        return UpdateOutcome::failure(missingNumberText());
    if (*newestNumber == runningVersion)
        return {UpdateOutcome::Kind::Latest, {}};

    const QString crlf = QStringLiteral("\r\n");
    QString report = QCoreApplication::translate("UpdateCheck", "You are currently running v") +
                     runningVersion + crlf;
    report += QCoreApplication::translate("UpdateCheck", "The latest version is v") +
              *newestNumber + crlf + crlf;
    // Every release above the running one, newest first; all of them when it is not listed.
    for (pugi::xml_node version = newest; version; version = version.next_sibling("Version")) {
        const std::optional<QString> listed = number(version);
        if (!listed)
            return UpdateOutcome::failure(missingNumberText());
        if (*listed == runningVersion)
            break;
        report += QCoreApplication::translate("UpdateCheck", "Version ") + *listed +
                  QStringLiteral(": ") + crlf + textContent(version) + crlf;
    }
    report.replace(QLatin1Char('\n'), crlf);
    return {UpdateOutcome::Kind::Report, report};
}

} // namespace tavrin
