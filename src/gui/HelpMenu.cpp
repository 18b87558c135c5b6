#include "gui/HelpMenu.h"

#include "core/platform/Prompter.h"
#include "core/session/Session.h"
#include "core/update/UpdateChecker.h"
#include "gui/AboutDialog.h"
#include "gui/UpdateReportDialog.h"

#include <QPointer>

namespace tavrin {

HelpMenu::HelpMenu(Session& session, Prompter& prompter, Options options, QWidget* window)
    : QMenu(tr("Help"), window), m_session(session), m_options(std::move(options)),
      m_window(window),
      m_checker(new UpdateChecker(m_options.versionsUrl, m_options.timeoutMs, this))
{
    setObjectName(QStringLiteral("helpMenu"));
    QAction* about = addAction(tr("About"));
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &HelpMenu::showAbout);
    // One check at a time; the window stays usable while it waits.
    QAction* check = addAction(tr("Check for new version"));
    check->setObjectName(QStringLiteral("checkVersionAction"));
    connect(check, &QAction::triggered, m_checker, &UpdateChecker::start);
    connect(m_checker, &UpdateChecker::runningChanged, this,
            [&prompter](bool running) { prompter.setWaitPointer(running); });
    connect(m_checker, &UpdateChecker::finished, this, &HelpMenu::showOutcome);
}

void HelpMenu::showAbout()
{
    // Held weakly: closing the main window during exec() takes its children with it.
    QPointer<AboutDialog> about = new AboutDialog(m_window);
    m_options.runDialog(*about);
    delete about;
}

void HelpMenu::showOutcome(const UpdateOutcome& outcome)
{
    switch (outcome.kind) {
    case UpdateOutcome::Kind::Latest:
        m_session.report(tr("You are currently running the latest version of Tavrin"),
                         MessageStyle::Plain, tr("Check Version"), Session::Logging::Skip);
        break;
    case UpdateOutcome::Kind::Failure:
        m_session.report(outcome.text, MessageStyle::Critical, QStringLiteral("ERROR"),
                         Session::Logging::Skip);
        break;
    case UpdateOutcome::Kind::Report: {
        QPointer<UpdateReportDialog> window = new UpdateReportDialog(m_window);
        window->setReport(outcome.text);
        m_options.runDialog(*window);
        delete window;
        break;
    }
    }
}

} // namespace tavrin
