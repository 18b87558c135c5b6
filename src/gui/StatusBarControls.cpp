#include "gui/StatusBarControls.h"

#include "core/view/TorrentFilter.h"

#include <QComboBox>
#include <QCoreApplication>
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
    connectionLabel->setAccessibleName(QCoreApplication::translate("StatusBar", "Connection"));
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
    switchButton->setToolTip(QCoreApplication::translate(
        "StatusBar", "Read the rows as the server's version sends them"));
    switchButton->hide();
    bar.addPermanentWidget(switchButton);

    cancelButton = new QPushButton(QCoreApplication::translate("StatusBar", "Cancel"), &bar);
    cancelButton->setObjectName(QStringLiteral("cancelChainButton"));
    cancelButton->setAccessibleName(QCoreApplication::translate("StatusBar", "Cancel"));
    cancelButton->setToolTip(
        QCoreApplication::translate("StatusBar", "Leave the remaining torrents as they are (Esc)"));
    cancelButton->hide();
    bar.addPermanentWidget(cancelButton);

    filterEdit = new QLineEdit(&bar);
    filterEdit->setObjectName(QStringLiteral("filterEdit"));
    filterEdit->setAccessibleName(QCoreApplication::translate("StatusBar", "Filter"));
    filterEdit->setPlaceholderText(QCoreApplication::translate("StatusBar", "Filter"));
    filterEdit->setToolTip(QCoreApplication::translate(
        "StatusBar", "Show only torrents whose name contains this text (Ctrl+F, Esc clears)"));
    filterEdit->setClearButtonEnabled(true);
    filterEdit->setMaxLength(1024);
    filterEdit->hide();
    bar.addPermanentWidget(filterEdit);

    statusCombo = new QComboBox(&bar);
    statusCombo->setObjectName(QStringLiteral("statusFilter"));
    statusCombo->setAccessibleName(QCoreApplication::translate("StatusBar", "Status filter"));
    statusCombo->setToolTip(
        QCoreApplication::translate("StatusBar", "Show only torrents in this state"));
    for (const QString& name : view::statusFilterNames())
        statusCombo->addItem(
            QCoreApplication::translate("StatusFilter", name.toLatin1().constData()));
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
