#pragma once

#include <QString>

class QComboBox;
class QLabel;
class QTimer;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace tavrin {

// The status bar's controls: what the connection is doing, the notice of rows from the other
// server version with its switch, Cancel for a running chain, and the list's filters. Built when
// the bar first has something to say; the notice, Cancel and the filters show only when they
// apply.
struct StatusBarControls {
    void setup(QStatusBar& bar);
    // The filters come with the list.
    void showFilters();

    QLabel* connectionLabel = nullptr;
    QTimer* linkNoticeTimer = nullptr;
    QLabel* noticeLabel = nullptr;
    // Why a dropped link was not added; it goes after a while.
    QLabel* linkNotice = nullptr;
    void showLinkNotice(const QString& text);
    QPushButton* switchButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QLineEdit* filterEdit = nullptr;
    QComboBox* statusCombo = nullptr;
};

} // namespace tavrin
