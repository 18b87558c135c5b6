#include "gui/StatusBarControls.h"

#include "core/view/TorrentFilter.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace tavrin {

void StatusBarControls::setup(QStatusBar& bar)
{
    bar.setObjectName(QStringLiteral("statusBar"));
    // A label rather than the bar's message: hovering a menu item would wipe a message.
    connectionLabel = new QLabel(&bar);
    connectionLabel->setObjectName(QStringLiteral("connectionStatus"));
    connectionLabel->setAccessibleName(QStringLiteral("Connection"));
    connectionLabel->setTextFormat(Qt::PlainText);
    connectionLabel->setMinimumWidth(1);
    bar.addWidget(connectionLabel, 1);

    linkNotice = new QLabel(&bar);
    linkNotice->setObjectName(QStringLiteral("linkNotice"));
    linkNotice->setTextFormat(Qt::PlainText);
    linkNotice->setMinimumWidth(1);
    linkNotice->hide();
    bar.addWidget(linkNotice);
    linkNoticeTimer = new QTimer(linkNotice);
    linkNoticeTimer->setSingleShot(true);
    linkNoticeTimer->setInterval(30000);
    QObject::connect(linkNoticeTimer, &QTimer::timeout, linkNotice, &QWidget::hide);

    noticeLabel = new QLabel(&bar);
    noticeLabel->setObjectName(QStringLiteral("versionNotice"));
    noticeLabel->setTextFormat(Qt::PlainText);
    noticeLabel->hide();
    bar.addPermanentWidget(noticeLabel);
    switchButton = new QPushButton(&bar);
    switchButton->setObjectName(QStringLiteral("switchVersionButton"));
    switchButton->setToolTip(QStringLiteral("Read the rows as the server's version sends them"));
    switchButton->hide();
    bar.addPermanentWidget(switchButton);

    cancelButton = new QPushButton(QStringLiteral("Cancel"), &bar);
    cancelButton->setObjectName(QStringLiteral("cancelChainButton"));
    cancelButton->setAccessibleName(QStringLiteral("Cancel"));
    cancelButton->setToolTip(QStringLiteral("Leave the remaining torrents as they are (Esc)"));
    cancelButton->hide();
    bar.addPermanentWidget(cancelButton);

    filterEdit = new QLineEdit(&bar);
    filterEdit->setObjectName(QStringLiteral("filterEdit"));
    filterEdit->setAccessibleName(QStringLiteral("Filter"));
    filterEdit->setPlaceholderText(QStringLiteral("Filter"));
    filterEdit->setToolTip(
        QStringLiteral("Show only torrents whose name contains this text (Ctrl+F, Esc clears)"));
    filterEdit->setClearButtonEnabled(true);
    filterEdit->setMaxLength(1024);
    filterEdit->hide();
    bar.addPermanentWidget(filterEdit);

    statusCombo = new QComboBox(&bar);
    statusCombo->setObjectName(QStringLiteral("statusFilter"));
    statusCombo->setAccessibleName(QStringLiteral("Status filter"));
    statusCombo->setToolTip(QStringLiteral("Show only torrents in this state"));
    statusCombo->addItems(view::statusFilterNames());
    statusCombo->hide();
    bar.addPermanentWidget(statusCombo);
}

void StatusBarControls::showLinkNotice(const QString& text)
{
    linkNotice->setText(text);
    linkNotice->setToolTip(text);
    linkNotice->show();
    linkNoticeTimer->start();
}

void StatusBarControls::showFilters()
{
    filterEdit->show();
    statusCombo->show();
}

} // namespace tavrin
