#pragma once

#include "core/layout/DialogGeometry.h"
#include "gui/Twips.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace tavrin {

// "New Version Information": the report of the releases newer than the running one.
class UpdateReportDialog : public QDialog {
    Q_OBJECT
public:
    explicit UpdateReportDialog(QWidget* parent = nullptr);

    // Shows the report; each CR LF, and each CR CR LF, is one line break.
    void setReport(const QString& report);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyLayout();
    void placeOnScreen();

    TwipsScale m_twips;
    QPlainTextEdit* m_reportView = nullptr;
    QPushButton* m_okButton = nullptr;
    bool m_placed = false;
    // Held in twips so repeated resizing does not drift by rounding.
    UpdateReportGeometry m_geometry{{120, 120, 5895, 4215}, {4920, 4440, 1095, 375}};
};

} // namespace tavrin
