#pragma once

#include "gui/Twips.h"

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

    // Set before showing: Save rewrites attributes of `working` only; Reset lists `builtIn`.
    void setLayouts(pugi::xml_document* working, const pugi::xml_document* builtIn);
    // True only after Cancel or Esc; closing by the window frame is not cancelling.
    bool wasCancelled() const { return m_cancelled; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private Q_SLOTS:
    void onSaveClicked();
    void onCancelClicked();
    void onResetClicked();

private:
    enum class Move { Top, Up, Down, Bottom };

    void fillColumnList(const pugi::xml_document& document);
    void moveSelected(Move move);
    void applyLayout();

    TwipsScale m_twips;
    pugi::xml_document* m_working = nullptr;
    const pugi::xml_document* m_builtIn = nullptr;
    bool m_cancelled = false;
    bool m_filled = false;

    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QToolButton* m_moveTopButton = nullptr;
    QToolButton* m_moveUpButton = nullptr;
    QToolButton* m_moveDownButton = nullptr;
    QToolButton* m_moveBottomButton = nullptr;
    QTreeWidget* m_columnList = nullptr;
    QPushButton* m_resetButton = nullptr;
};

} // namespace tavrin
