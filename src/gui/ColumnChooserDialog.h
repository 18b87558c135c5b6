#pragma once

#include <QDialog>
#include <pugixml.hpp>

class QPushButton;
class QToolButton;
class QTreeWidget;

namespace tavrin {

// The column chooser: order and visibility of the list's columns, written back into the
// caller's working layout on Save.
class ColumnChooserDialog : public QDialog {
    Q_OBJECT
public:
    explicit ColumnChooserDialog(QWidget* parent = nullptr);

    // Set by the caller before showing; the dialog rewrites attributes of the first only.
    pugi::xml_document* m_domColInfo = nullptr;
    pugi::xml_document* m_domColInfoDefault = nullptr;
    // True only after Cancel; read by the caller once the dialog has closed.
    bool m_bCancel = false;

    // Controls, named as designed; public so tests drive the real widgets.
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QToolButton* cmdTop = nullptr;
    QToolButton* cmdUp = nullptr;
    QToolButton* cmdDown = nullptr;
    QToolButton* cmdBottom = nullptr;
    QTreeWidget* lvCols = nullptr;
    QPushButton* cmdReset = nullptr;

public Q_SLOTS:
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdReset_Click();
    void cmdTop_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdBottom_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Move { Top, Up, Down, Bottom };

    void FillColumnList(const pugi::xml_document& document);
    void moveSelected(Move move);
    void layOut();
    int toPixels(double twips) const;
    float toTwips(int pixels) const;

    double m_dpi = 96.0;
    bool m_activated = false;
};

} // namespace tavrin
