#include "core/view/TorrentFilter.h"

#include "core/view/SortKey.h"

#include <QLatin1StringView>

namespace tavrin::view {

namespace {

bool is(QByteArrayView word, const char* wanted)
{
    return QLatin1StringView(word).trimmed().compare(QLatin1StringView(wanted),
                                                     Qt::CaseInsensitive) == 0;
}

bool has(QByteArrayView word, const char* part)
{
    return QLatin1StringView(word).contains(QLatin1StringView(part), Qt::CaseInsensitive);
}

} // namespace

QStringList statusFilterNames()
{
    // English, as the CLI takes them; the window shows them translated in context "StatusFilter".
    static const char* const names[] = {QT_TRANSLATE_NOOP("StatusFilter", "All"),
                                        QT_TRANSLATE_NOOP("StatusFilter", "Downloading"),
                                        QT_TRANSLATE_NOOP("StatusFilter", "Seeding"),
                                        QT_TRANSLATE_NOOP("StatusFilter", "Completed"),
                                        QT_TRANSLATE_NOOP("StatusFilter", "Paused"),
                                        QT_TRANSLATE_NOOP("StatusFilter", "Stopped"),
                                        QT_TRANSLATE_NOOP("StatusFilter", "Queued"),
                                        QT_TRANSLATE_NOOP("StatusFilter", "Error")};
    QStringList list;
    for (const char* name : names)
        list.append(QLatin1String(name));
    return list;
}

bool isComplete(QByteArrayView status, QByteArrayView progress)
{
    // Read for every changed row: a status that starts with a letter is compared in place.
    constexpr QByteArrayView completed("COMPLETED");
    const auto startsCompleted = [&] {
        if (status.size() < completed.size())
            return false;
        for (qsizetype i = 0; i < completed.size(); ++i) {
            if ((status[i] & ~0x20) != completed[i])
                return false;
        }
        return true;
    };
    const uchar first = status.isEmpty() ? 0 : uchar(status.front());
    if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')) {
        if (startsCompleted())
            return true;
    } else if (QLatin1StringView(status).trimmed().startsWith(QLatin1StringView("COMPLETED"),
                                                              Qt::CaseInsensitive)) {
        return true;
    }
    if (progress.isEmpty() || progress.size() > 64)
        return false;
    const SortKey key = SortKey::of(progress);
    return key.kind() == SortKey::Kind::Number && key.number() >= 100;
}

bool statusMatches(StatusFilter filter, QByteArrayView status, QByteArrayView progress)
{
    switch (filter) {
    case StatusFilter::All:
        return true;
    case StatusFilter::Downloading:
        return is(status, "WORKING") && !isComplete(status, progress);
    case StatusFilter::Seeding:
        return has(status, "SEEDING");
    case StatusFilter::Completed:
        return isComplete(status, progress);
    case StatusFilter::Paused:
        return is(status, "pause") || is(status, "paused");
    case StatusFilter::Stopped:
        return is(status, "STOP") || is(status, "STOPPED");
    case StatusFilter::Queued:
        return is(status, "QUEUE") || is(status, "QUEUED");
    case StatusFilter::Error:
        return has(status, "ERROR");
    }
    return false;
}

bool TorrentFilter::matches(QByteArrayView name, QByteArrayView statusWord,
                            QByteArrayView progress) const
{
    if (!nameText.isEmpty() && !QLatin1StringView(name).contains(nameText, Qt::CaseInsensitive))
        return false;
    return statusMatches(status, statusWord, progress);
}

} // namespace tavrin::view
