#include "gui/AboutDialog.h"

#include "BuildInfo.h"
#include "core/layout/DialogGeometry.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace tavrin {

namespace {

// The project's page, shown as plain text.
QString pageUrl()
{
    return QString::fromUtf8(build::siteUrl) + QStringLiteral("/site/projects/tavrin.html");
}

} // namespace

AboutDialog::AboutDialog(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_mainWindow(mainWindow), m_twips(*this)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(tr("About Tavrin"));

    const auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(QLatin1String(name));
        l->setTextFormat(Qt::PlainText);
        return l;
    };

    m_iconLabel = label("iconLabel", QString());
    const int iconSize = m_twips.toPixels(240);
    m_iconLabel->setPixmap(
        QIcon(QStringLiteral(":/icons/tavrin.svg")).pixmap(QSize(iconSize, iconSize)));
    m_titleLabel = label("titleLabel", QStringLiteral("Tavrin"));
    QFont titleFont = m_titleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    m_titleLabel->setFont(titleFont);
    m_versionLabel = label("versionLabel", tr("Version ") + build::versionString());
    m_addressLabel = label("addressLabel", pageUrl());
    // Beside OK, where the box has room: the licence the program comes under.
    m_licenceLabel = label("licenceLabel", tr("Licence: GPL-3.0-or-later"));
    m_licenceLabel->setToolTip(
        tr("GNU General Public License, version 3 or any later version. There is no warranty."));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);

    m_iconLabel->setGeometry(m_twips.toPixels(240, 240, 240, 240));
    m_titleLabel->setGeometry(m_twips.toPixels(720, 240, 3885, 360));
    m_versionLabel->setGeometry(m_twips.toPixels(720, 600, 3885, 225));
    m_addressLabel->setGeometry(m_twips.toPixels(720, 960, 4365, 330));
    m_okButton->setGeometry(m_twips.toPixels(3240, 1440, 1140, 345));
    m_licenceLabel->setGeometry(m_twips.toPixels(720, 1500, 2400, 225));
    // A longer site address than the usual one widens the box rather than being cut off.
    const int addressWidth = m_addressLabel->fontMetrics().horizontalAdvance(pageUrl()) + 2;
    m_addressLabel->resize(std::max(m_addressLabel->width(), addressWidth),
                           m_addressLabel->height());
    setFixedSize(std::max(m_twips.toPixels(4500),
                          m_addressLabel->geometry().right() + 1 + m_twips.toPixels(240)),
                 m_twips.toPixels(1860));

    // Escape rejects the dialog by itself; OK closes it the same way.
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    m_okButton->setFocus();
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
    const TwipsPoint at =
        aboutBoxPosition({m_twips.toTwips(main.x()), m_twips.toTwips(main.y()),
                          m_twips.toTwips(main.width()), m_twips.toTwips(main.height())},
                         m_twips.toTwips(self.width()), m_twips.toTwips(self.height()));
    move(m_twips.toPixels(at.left), m_twips.toPixels(at.top));
}

} // namespace tavrin
