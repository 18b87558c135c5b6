#pragma once

#include "gui/Twips.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace tavrin {

// The About box: the program's icon, title, version and the address of the project's page.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // The box is placed over `mainWindow` when it is first shown.
    explicit AboutDialog(QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void placeOverMainWindow();

    QWidget* m_mainWindow = nullptr;
    TwipsScale m_twips;
    QLabel* m_iconLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_addressLabel = nullptr;
    QLabel* m_licenceLabel = nullptr;
    QPushButton* m_okButton = nullptr;
    bool m_placed = false;
};

} // namespace tavrin
