#include "gui/AboutDialog.h"

#include "BuildInfo.h"
#include "core/layout/DialogGeometry.h"
#include "gui/Twips.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace tavrin {

AboutDialog::AboutDialog(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About Tavrin"));
    if (const QScreen* screen = this->screen())
        m_dpi = screen->logicalDotsPerInch();

    const auto place = [this](QWidget* w, double left, double top, double width, double height) {
        w->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    };
    const auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        l->setTextFormat(Qt::PlainText);
        return l;
    };

    picIcon = label("picIcon", QString());
    const int iconSize = toPixels(240);
    picIcon->setPixmap(
        QIcon(QStringLiteral(":/icons/tavrin.svg")).pixmap(QSize(iconSize, iconSize)));
    lblTitle = label("lblTitle", QStringLiteral("Application Title"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    lblTitle->setFont(titleFont);
    lblVersion = label("lblVersion", QStringLiteral("Version"));
    lblDescription = label("lblDescription", pageUrl());
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    place(picIcon, 240, 240, 240, 240);
    place(lblTitle, 720, 240, 3885, 360);
    place(lblVersion, 720, 600, 3885, 225);
    place(lblDescription, 720, 960, 4365, 330);
    place(cmdOK, 3240, 1440, 1140, 345);
    // A longer site address than the designed one widens the box rather than being cut off.
    const int addressWidth = lblDescription->fontMetrics().horizontalAdvance(pageUrl()) + 2;
    lblDescription->resize(std::max(lblDescription->width(), addressWidth),
                           lblDescription->height());
    setFixedSize(std::max(toPixels(4500), lblDescription->geometry().right() + 1 + toPixels(240)),
                 toPixels(1860));

    // Escape rejects the dialog by itself; OK closes it the same way.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(build::versionMajor)
                            .arg(build::versionMinor)
                            .arg(build::versionPatch));
    lblTitle->setText(QStringLiteral("Tavrin"));
    cmdOK->setFocus();
}

QString AboutDialog::pageUrl()
{
    return QString::fromUtf8(build::siteUrl) + QStringLiteral("/site/projects/tavrin.html");
}

int AboutDialog::toPixels(double twips) const
{
    return twips::toPixels(twips, m_dpi);
}

float AboutDialog::toTwips(int pixels) const
{
    return twips::fromPixels(pixels, m_dpi);
}

void AboutDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeOverMainWindow();
    }
}

void AboutDialog::placeOverMainWindow()
{
    if (!m_mainWindow)
        return;
    // The outer sizes are only known once the window system has framed the windows.
    const QRect main = m_mainWindow->frameGeometry();
    const QRect self = frameGeometry();
    const TwipsPoint at = aboutBoxPosition(
        {toTwips(main.x()), toTwips(main.y()), toTwips(main.width()), toTwips(main.height())},
        toTwips(self.width()), toTwips(self.height()));
    move(toPixels(at.left), toPixels(at.top));
}

} // namespace tavrin
