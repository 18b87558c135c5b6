#include "gui/UpdateReportDialog.h"

#include "gui/Twips.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>

namespace tavrin {

UpdateReportDialog::UpdateReportDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("UpdateReportDialog"));
    setWindowTitle(QStringLiteral("New Version Information"));
    if (const QScreen* screen = this->screen())
        m_dpi = screen->logicalDotsPerInch();

    txt = new QPlainTextEdit(this);
    txt->setObjectName(QStringLiteral("txt"));
    txt->setReadOnly(true);
    txt->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txt->setAccessibleName(QStringLiteral("New versions"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    // Escape rejects the dialog by itself; OK closes it the same way.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    setMinimumSize(1, 1);
    resize(toPixels(6150), toPixels(4920));
    applyLayout();
    cmdOK->setFocus();
}

void UpdateReportDialog::setReport(const QString& report)
{
    QString text = report;
    text.replace(QLatin1String("\r\r\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    txt->setPlainText(text);
}

int UpdateReportDialog::toPixels(double twips) const
{
    return twips::toPixels(twips, m_dpi);
}

float UpdateReportDialog::toTwips(int pixels) const
{
    return twips::fromPixels(pixels, m_dpi);
}

void UpdateReportDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeOnScreen();
    }
}

void UpdateReportDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    applyLayout();
}

void UpdateReportDialog::placeOnScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect self = frameGeometry();
    const TwipsPoint at = centredOnScreen(toTwips(area.width()), toTwips(area.height()),
                                          toTwips(self.width()), toTwips(self.height()));
    move(area.x() + toPixels(at.left), area.y() + toPixels(at.top));
}

void UpdateReportDialog::applyLayout()
{
    if (!txt || !cmdOK)
        return;
    m_controls = versionWindowLayout(toTwips(width()), toTwips(height()), m_controls);
    const auto place = [this](QWidget* w, const TwipsRect& r) {
        w->setGeometry(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height));
    };
    place(txt, m_controls.txt);
    place(cmdOK, m_controls.cmdOK);
}

} // namespace tavrin
