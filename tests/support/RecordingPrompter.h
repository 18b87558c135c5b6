#pragma once

#include "core/platform/Prompter.h"

#include <QList>
#include <QString>

namespace tavrin::test {

// Records message boxes and the wait pointer instead of showing them.
class RecordingPrompter final : public Prompter {
public:
    struct Message {
        QString text;
        MessageStyle style;
        QString title;
    };

    void showMessage(const QString& text, MessageStyle style, const QString& title) override
    {
        messages.append({text, style, title});
        onMessage ? onMessage() : void();
    }
    void showNotice(const QString& text, const QString& title) override
    {
        notices.append({text, MessageStyle::Plain, title});
    }
    void setWaitPointer(bool wait) override { pointerChanges.append(wait); }
    bool waitPointer() const override { return !pointerChanges.isEmpty() && pointerChanges.last(); }

    QStringList texts() const
    {
        QStringList list;
        for (const Message& m : messages)
            list.append(m.text);
        return list;
    }

    QList<Message> messages;
    QList<Message> notices;
    QList<bool> pointerChanges;
    // Runs while the "box" is open, as a modal box's own event loop would let things happen.
    std::function<void()> onMessage;
};

} // namespace tavrin::test
