#pragma once

#include <QString>
#include <functional>

class QAction;
class QMenu;

namespace tavrin {

class SettingsStore;
struct OptionSwitch;

// A checkable menu item for an [Options] switch: checked as stored, and when toggled it stores
// the new value and applies it.
QAction* addOptionItem(QMenu& menu, SettingsStore& settings, const OptionSwitch& option,
                       const char* objectName, const QString& caption,
                       std::function<void(bool)> apply);

} // namespace tavrin
