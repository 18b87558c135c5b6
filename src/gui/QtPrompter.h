#pragma once

#include "core/platform/Prompter.h"

class QWidget;

namespace tavrin {

// Message boxes and the wait pointer through Qt. A box is modal but runs its own event loop,
// so timers and sockets keep working while it is open.
class QtPrompter final : public Prompter {
public:
    void showMessage(const QString& text, MessageStyle style, const QString& title) override;
    void showNotice(const QString& text, const QString& title) override;
    void setWaitPointer(bool wait) override;
    bool waitPointer() const override { return m_wait; }

    void setParentWindow(QWidget* parent) { m_parent = parent; }

private:
    QWidget* m_parent = nullptr;
    bool m_wait = false;
};

} // namespace tavrin
