#pragma once

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

    // The project's page, shown as plain text.
    static QString pageUrl();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int toPixels(double twips) const;
    float toTwips(int pixels) const;
    void placeOverMainWindow();

    QWidget* m_mainWindow = nullptr;
    double m_dpi = 96.0;
    bool m_placed = false;
};

} // namespace tavrin
