// Help: the update check and the About box.
#include "gui/MainWindow.h"

#include "BuildInfo.h"
#include "core/platform/Prompter.h"
#include "core/update/UpdateCheck.h"
#include "gui/AboutDialog.h"
#include "gui/UpdateReportDialog.h"

#include <QPointer>
#include <QTimer>

namespace tavrin {

namespace {

// Modal, unless a test runs the dialog itself.
void runDialog(QDialog& dialog, const std::function<void(QDialog&)>& runModal)
{
    if (runModal)
        runModal(dialog);
    else
        dialog.exec();
}

} // namespace

void MainWindow::mnuAbout_Click()
{
    // Held weakly: closing the main window during exec() takes its children with it.
    QPointer<AboutDialog> about = new AboutDialog(this);
    runDialog(*about, m_options.runModal);
    delete about;
}

void MainWindow::mnuCheckNewVersion_Click()
{
    // One check at a time; the window stays usable while it waits.
    for (const UpdateCheck* running : findChildren<UpdateCheck*>(Qt::FindDirectChildrenOnly)) {
        if (running->isRunning())
            return;
    }
    const QUrl url = m_options.versionsUrl.isEmpty() ? QUrl(QString::fromUtf8(build::versionsUrl))
                                                     : m_options.versionsUrl;

    m_prompter.setWaitPointer(true);
    auto* check = new UpdateCheck(*Inet1, this);
    connect(check, &UpdateCheck::finished, this, [this, check](const UpdateOutcome& outcome) {
        check->deleteLater();
        m_prompter.setWaitPointer(false);
        // Shown from the event loop, not from inside the check that is being discarded.
        QTimer::singleShot(0, this, [this, outcome] {
            switch (outcome.kind) {
            case UpdateOutcome::Kind::Latest:
                m_prompter.showMessage(
                    QStringLiteral("You are currently running the latest version of Tavrin"),
                    MessageStyle::Plain, QStringLiteral("Check Version"));
                break;
            case UpdateOutcome::Kind::Failure:
                m_prompter.showError(outcome.text);
                break;
            case UpdateOutcome::Kind::Report: {
                QPointer<UpdateReportDialog> window = new UpdateReportDialog(this);
                window->setReport(outcome.text);
                runDialog(*window, m_options.runModal);
                delete window;
                break;
            }
            }
        });
    });
    check->start(url, m_options.updateTimeoutMs, build::versionString());
}

} // namespace tavrin
