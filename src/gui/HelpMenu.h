#pragma once

#include <QMenu>
#include <QUrl>
#include <functional>

class QDialog;

namespace tavrin {

class Prompter;
class Session;
class UpdateChecker;
struct UpdateOutcome;

// The Help menu: the About box, and the update check, whose answer is a box or a report window.
class HelpMenu : public QMenu {
    Q_OBJECT
public:
    struct Options {
        QUrl versionsUrl; // empty: the project's site
        int timeoutMs = 60000;
        // Runs a dialog modally, or as a test asks.
        std::function<void(QDialog&)> runDialog;
    };
    // `window` owns the dialogs, so closing it during one takes the dialog with it.
    HelpMenu(Session& session, Prompter& prompter, Options options, QWidget* window);

private:
    void showAbout();
    void showOutcome(const UpdateOutcome& outcome);

    Session& m_session;
    Options m_options;
    QWidget* m_window;
    UpdateChecker* m_checker;
};

} // namespace tavrin
