#include "gui/StatusBarControls.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

namespace tavrin {

StatusBarControls::StatusBarControls(QMainWindow& window)
    : QObject(&window), m_window(window),
      m_cancelShortcut(new QShortcut(QKeySequence(Qt::Key_Escape), &window))
{
    m_cancelShortcut->setEnabled(false);
    connect(m_cancelShortcut, &QShortcut::activated, this, &StatusBarControls::cancelRequested);
    auto* focusFilter = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &window);
    connect(focusFilter, &QShortcut::activated, this, [this] {
        if (!m_filterEdit || !m_filterEdit->isVisible())
            return;
        m_filterEdit->setFocus(Qt::ShortcutFocusReason);
        m_filterEdit->selectAll();
    });
}

void StatusBarControls::ensure()
{
    if (exists())
        return;
    QStatusBar& bar = *m_window.statusBar();
    bar.setObjectName(QStringLiteral("statusBar"));
    // A label rather than the bar's message: hovering a menu item would wipe a message.
    m_connectionLabel = new QLabel(&bar);
    m_connectionLabel->setObjectName(QStringLiteral("connectionStatus"));
    m_connectionLabel->setAccessibleName(tr("Connection"));
    m_connectionLabel->setTextFormat(Qt::PlainText);
    m_connectionLabel->setMinimumWidth(1);
    bar.addWidget(m_connectionLabel, 1);

    m_linkNotice = new QLabel(&bar);
    m_linkNotice->setObjectName(QStringLiteral("linkNotice"));
    m_linkNotice->setTextFormat(Qt::PlainText);
    m_linkNotice->setMinimumWidth(1);
    m_linkNotice->hide();
    bar.addWidget(m_linkNotice);
    m_linkNoticeTimer = new QTimer(m_linkNotice);
    m_linkNoticeTimer->setSingleShot(true);
    m_linkNoticeTimer->setInterval(30000);
    connect(m_linkNoticeTimer, &QTimer::timeout, m_linkNotice, &QWidget::hide);

    m_versionNotice = new QLabel(&bar);
    m_versionNotice->setObjectName(QStringLiteral("versionNotice"));
    m_versionNotice->setTextFormat(Qt::PlainText);
    m_versionNotice->hide();
    bar.addPermanentWidget(m_versionNotice);
    m_switchButton = new QPushButton(&bar);
    m_switchButton->setObjectName(QStringLiteral("switchVersionButton"));
    m_switchButton->setToolTip(tr("Read the rows as the server's version sends them"));
    m_switchButton->hide();
    bar.addPermanentWidget(m_switchButton);
    connect(m_switchButton, &QPushButton::clicked, this, [this] {
        hideVersionNotice();
        Q_EMIT switchVersionRequested();
    });

    m_cancelButton = new QPushButton(tr("Cancel"), &bar);
    m_cancelButton->setObjectName(QStringLiteral("cancelChainButton"));
    m_cancelButton->setAccessibleName(tr("Cancel"));
    m_cancelButton->setToolTip(tr("Leave the remaining torrents as they are (Esc)"));
    m_cancelButton->hide();
    bar.addPermanentWidget(m_cancelButton);
    connect(m_cancelButton, &QPushButton::clicked, this, &StatusBarControls::cancelRequested);

    m_filterEdit = new QLineEdit(&bar);
    m_filterEdit->setObjectName(QStringLiteral("filterEdit"));
    m_filterEdit->setAccessibleName(tr("Filter"));
    m_filterEdit->setPlaceholderText(tr("Filter"));
    m_filterEdit->setToolTip(
        tr("Show only torrents whose name contains this text (Ctrl+F, Esc clears)"));
    m_filterEdit->setClearButtonEnabled(true);
    m_filterEdit->setMaxLength(1024);
    m_filterEdit->hide();
    m_filterEdit->installEventFilter(this);
    bar.addPermanentWidget(m_filterEdit);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &StatusBarControls::emitFilter);

    m_statusCombo = new QComboBox(&bar);
    m_statusCombo->setObjectName(QStringLiteral("statusFilter"));
    m_statusCombo->setAccessibleName(tr("Status filter"));
    m_statusCombo->setToolTip(tr("Show only torrents in this state"));
    for (const QString& name : view::statusFilterNames())
        m_statusCombo->addItem(
            QCoreApplication::translate("StatusFilter", name.toLatin1().constData()));
    m_statusCombo->hide();
    bar.addPermanentWidget(m_statusCombo);
    connect(m_statusCombo, &QComboBox::currentIndexChanged, this, &StatusBarControls::emitFilter);
}

void StatusBarControls::setConnectionText(const QString& text)
{
    ensure();
    m_connectionLabel->setText(text);
    // A narrow window cuts the line; the whole of it is a hover away.
    m_connectionLabel->setToolTip(text);
}

void StatusBarControls::showFilters()
{
    ensure();
    m_filterEdit->show();
    m_statusCombo->show();
}

void StatusBarControls::showVersionNotice(int suggestedVersion)
{
    ensure();
    m_versionNotice->setText(tr("The server sends Kestrun %1 rows:").arg(suggestedVersion));
    m_switchButton->setText(tr("Switch to Version %1").arg(suggestedVersion));
    m_versionNotice->show();
    m_switchButton->show();
}

void StatusBarControls::hideVersionNotice()
{
    if (!exists())
        return;
    m_versionNotice->hide();
    m_switchButton->hide();
}

void StatusBarControls::setChainRunning(bool running)
{
    m_cancelShortcut->setEnabled(running);
    if (running)
        ensure();
    if (m_cancelButton)
        m_cancelButton->setVisible(running);
}

void StatusBarControls::showLinkNotice(const QString& text)
{
    ensure();
    m_linkNotice->setText(text);
    m_linkNotice->setToolTip(text);
    m_linkNotice->show();
    m_linkNoticeTimer->start();
}

void StatusBarControls::emitFilter()
{
    Q_EMIT filterChanged({m_filterEdit->text(), static_cast<view::StatusFilter>(
                                                    std::max(0, m_statusCombo->currentIndex()))});
}

bool StatusBarControls::eventFilter(QObject* watched, QEvent* event)
{
    // Esc in the filter clears it; a running chain's Esc goes first, as a shortcut.
    if (watched == m_filterEdit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        !m_filterEdit->text().isEmpty()) {
        m_filterEdit->clear();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavrin
