#include "gui/QtPrompter.h"

#include <QApplication>
#include <QMessageBox>

namespace tavrin {

void QtPrompter::showMessage(const QString& text, MessageStyle style, const QString& title)
{
    QMessageBox box(style == MessageStyle::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? QStringLiteral("Tavrin") : title, text, QMessageBox::Ok,
                    m_parent);
    box.exec();
}

void QtPrompter::setWaitPointer(bool wait)
{
    if (wait == m_wait)
        return;
    m_wait = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace tavrin
