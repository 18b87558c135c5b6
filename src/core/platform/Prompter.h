#pragma once

#include <QString>

namespace tavrin {

enum class MessageStyle {
    Plain = 0,    // one OK button, no icon
    Critical = 16 // one OK button, critical-error icon
};

// Modal message boxes and the application-wide wait pointer; tests record them instead.
class Prompter {
public:
    virtual ~Prompter() = default;
    // An empty title shows the program's title.
    virtual void showMessage(const QString& text, MessageStyle style, const QString& title) = 0;
    // The program's one kind of error box: critical icon, titled "ERROR".
    void showError(const QString& text)
    {
        showMessage(text, MessageStyle::Critical, QStringLiteral("ERROR"));
    }
    // A notice that does not wait for the user: the window goes on behind it.
    virtual void showNotice(const QString& text, const QString& title) = 0;
    virtual void setWaitPointer(bool wait) = 0;
    virtual bool waitPointer() const = 0;
};

} // namespace tavrin
