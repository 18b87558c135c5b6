#include "core/layout/StoredWindowSize.h"

#include "core/platform/Numbers.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <algorithm>

namespace tavrin {

namespace {

std::optional<float> readTwips(const SettingsStore& settings, QLatin1StringView key,
                               QLatin1StringView fallback, const char* what, QString& error)
{
    const QString text = settings.read(key, fallback);
    if (const auto value = toInt32(text))
        return static_cast<float>(*value);
    error = QStringLiteral("The stored window %1 \"%2\" is not a whole number.")
                .arg(QLatin1String(what), text);
    return std::nullopt;
}

QString twipsText(float twips)
{
    return QString::number(static_cast<double>(twips), 'g', 9);
}

} // namespace

StoredWindowSize StoredWindowSize::read(const SettingsStore& settings)
{
    StoredWindowSize size;
    size.width = readTwips(settings, keys::width, keys::defaultWidth, "width", size.error);
    if (size.width)
        size.height = readTwips(settings, keys::height, keys::defaultHeight, "height", size.error);
    return size;
}

void StoredWindowSize::clampTo(float availableWidth, float availableHeight)
{
    if (width)
        width = std::min(*width, availableWidth);
    if (height)
        height = std::min(*height, availableHeight);
}

void StoredWindowSize::write(SettingsStore& settings, float widthTwips, float heightTwips)
{
    settings.write(keys::width, twipsText(widthTwips));
    settings.write(keys::height, twipsText(heightTwips));
}

} // namespace tavrin
