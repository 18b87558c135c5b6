#include "gui/QtPrompter.h"

#include "core/platform/MessageText.h"

#include <QApplication>
#include <QMessageBox>

namespace tavrin {

void QtPrompter::showMessage(const QString& text, MessageStyle style, const QString& title)
{
    // Outside text is shown as it is, never as markup, and cut short so the box cannot grow
    // beyond the screen or take seconds to lay out.
    QMessageBox box(style == MessageStyle::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? QStringLiteral("Tavrin") : messageBoxText(title),
                    messageBoxText(text), QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtPrompter::showNotice(const QString& text, const QString& title)
{
    auto* box = new QMessageBox(QMessageBox::Information, messageBoxText(title),
                                messageBoxText(text), QMessageBox::Ok, m_parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
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
