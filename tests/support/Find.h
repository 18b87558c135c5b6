#pragma once

#include <QAccessible>
#include <QAction>
#include <QWidget>

namespace tavrin::test {

// The widget of type T under `parent` whose accessible name (a button's caption, a box's
// label) is `name`, as assistive tools find it; null when there is none.
template <typename T> T* accessible(const QWidget& parent, const QString& name)
{
    for (T* w : parent.findChildren<T*>())
        if (const QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            a && a->text(QAccessible::Name) == name)
            return w;
    return nullptr;
}

// The first menu or context action whose caption starts with `caption`; null when none does.
inline QAction* action(const QWidget& window, const QString& caption)
{
    for (QAction* a : window.findChildren<QAction*>())
        if (!a->isSeparator() && a->text().startsWith(caption))
            return a;
    return nullptr;
}

} // namespace tavrin::test
