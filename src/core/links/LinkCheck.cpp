#include "core/links/LinkCheck.h"

#include "core/platform/MessageText.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QUrl>

namespace tavrin::links {

namespace {

// Links this long are cut in messages; the whole one may be 64 KiB.
constexpr qsizetype shownCharacters = 200;
// A drop's text is read only this far: nothing longer can hold a link we take.
constexpr qsizetype maxDropCharacters = 4 * 1024 * 1024;

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

bool startsWith(const QString& link, QLatin1StringView prefix)
{
    return link.startsWith(prefix, Qt::CaseInsensitive);
}

} // namespace

std::optional<QString> wireProblem(const QString& link)
{
    // Counted as UTF-16 first, so that a huge text is not converted to find out.
    if (link.size() > maxLinkBytes || link.toUtf8().size() > maxLinkBytes)
        return QCoreApplication::translate("LinkCheck", "the link is longer than 64 KiB: ") +
               shown(link);
    if (std::any_of(link.cbegin(), link.cend(), isControl))
        return QCoreApplication::translate("LinkCheck", "the link contains control characters: ") +
               shown(link);
    return std::nullopt;
}

std::optional<QString> problem(const QString& link)
{
    if (link.isEmpty())
        return QCoreApplication::translate("LinkCheck", "the link is empty");
    if (std::optional<QString> why = wireProblem(link))
        return why;
    if (startsWith(link, QLatin1StringView("magnet:?")))
        return std::nullopt;
    if (startsWith(link, QLatin1StringView("http://")) ||
        startsWith(link, QLatin1StringView("https://"))) {
        const QUrl url(link, QUrl::StrictMode);
        if (url.isValid() && !url.host().isEmpty())
            return std::nullopt;
        return QCoreApplication::translate("LinkCheck", "not a valid http(s) link: ") + shown(link);
    }
    return QCoreApplication::translate("LinkCheck", "not a magnet or http(s) link: ") + shown(link);
}

QStringList fromMimeData(const QMimeData& data)
{
    QStringList links;
    if (data.hasUrls()) {
        for (const QUrl& url : data.urls())
            links.append(url.toString(QUrl::FullyEncoded));
        return links;
    }
    if (!data.hasText())
        return links;
    const QString text = data.text().left(maxDropCharacters);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (!line.isEmpty())
            links.append(line.toString());
    }
    return links;
}

QString shown(const QString& link)
{
    return terminalCell(link.left(shownCharacters + 1), shownCharacters);
}

Checked check(const QStringList& links)
{
    Checked result;
    for (const QString& link : links) {
        if (const std::optional<QString> why = problem(link)) {
            if (result.refusal.isEmpty())
                result.refusal = *why;
        } else {
            result.good.append(link);
        }
    }
    return result;
}

} // namespace tavrin::links
