#include "gui/UpdateReportDialog.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>

namespace tavrin {

UpdateReportDialog::UpdateReportDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_twips(*this)
{
    setObjectName(QStringLiteral("UpdateReportDialog"));
    setWindowTitle(tr("New Version Information"));

    m_reportView = new QPlainTextEdit(this);
    m_reportView->setObjectName(QStringLiteral("reportView"));
    m_reportView->setReadOnly(true);
    m_reportView->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_reportView->setAccessibleName(tr("New versions"));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    // Escape rejects the dialog by itself; OK closes it the same way.
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    setMinimumSize(1, 1);
    resize(m_twips.toPixels(6150), m_twips.toPixels(4920));
    applyLayout();
    m_okButton->setFocus();
}

void UpdateReportDialog::setReport(const QString& report)
{
    QString text = report;
    text.replace(QLatin1String("\r\r\n"), QLatin1String("\n"));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_reportView->setPlainText(text);
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
    const TwipsPoint at =
        centredOnScreen(m_twips.toTwips(area.width()), m_twips.toTwips(area.height()),
                        m_twips.toTwips(self.width()), m_twips.toTwips(self.height()));
    move(area.x() + m_twips.toPixels(at.left), area.y() + m_twips.toPixels(at.top));
}

void UpdateReportDialog::applyLayout()
{
    m_geometry =
        updateReportLayout(m_twips.toTwips(width()), m_twips.toTwips(height()), m_geometry);
    const auto place = [this](QWidget* w, const TwipsRect& r) {
        w->setGeometry(m_twips.toPixels(r.left, r.top, r.width, r.height));
    };
    place(m_reportView, m_geometry.report);
    place(m_okButton, m_geometry.okButton);
}

} // namespace tavrin
