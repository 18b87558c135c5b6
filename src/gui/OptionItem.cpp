#include "gui/OptionItem.h"

#include "core/settings/OptionSwitch.h"

#include <QAction>
#include <QMenu>

namespace tavrin {

QAction* addOptionItem(QMenu& menu, SettingsStore& settings, const OptionSwitch& option,
                       const char* objectName, const QString& caption,
                       std::function<void(bool)> apply)
{
    QAction* action = menu.addAction(caption);
    action->setObjectName(QLatin1String(objectName));
    action->setCheckable(true);
    action->setChecked(option.isOn(settings));
    QObject::connect(action, &QAction::toggled, &menu,
                     [&settings, option, apply = std::move(apply)](bool on) {
                         option.set(settings, on);
                         apply(on);
                     });
    return action;
}

} // namespace tavrin
