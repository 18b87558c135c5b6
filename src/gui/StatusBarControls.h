#pragma once

#include "core/view/TorrentFilter.h"

#include <QObject>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QShortcut;
class QTimer;

namespace tavrin {

// The status bar: what the connection is doing, the notice of rows from the other server
// version with its switch, Cancel for a running chain (Esc too), a dropped link's refusal, and
// the list's filters (Ctrl+F; Esc clears). Built when it first has something to say, so that
// until Connect the window looks as it always has.
class StatusBarControls : public QObject {
    Q_OBJECT
public:
    explicit StatusBarControls(QMainWindow& window);

    // Whether the bar is there yet.
    bool exists() const { return m_connectionLabel != nullptr; }
    void setConnectionText(const QString& text);
    // The filters come with the list.
    void showFilters();
    void showVersionNotice(int suggestedVersion);
    void hideVersionNotice();
    // Cancel and Esc while a chain runs.
    void setChainRunning(bool running);
    // Why a dropped link was not added; it goes after a while.
    void showLinkNotice(const QString& text);

Q_SIGNALS:
    void filterChanged(const tavrin::view::TorrentFilter& filter);
    void switchVersionRequested();
    void cancelRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ensure();
    void emitFilter();

    QMainWindow& m_window;
    QShortcut* m_cancelShortcut;
    QLabel* m_connectionLabel = nullptr;
    QTimer* m_linkNoticeTimer = nullptr;
    QLabel* m_versionNotice = nullptr;
    QLabel* m_linkNotice = nullptr;
    QPushButton* m_switchButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    QComboBox* m_statusCombo = nullptr;
};

} // namespace tavrin
