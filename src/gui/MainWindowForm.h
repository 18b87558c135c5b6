#pragma once

#include "gui/Twips.h"

#include <QList>
#include <QString>

class QFrame;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QToolButton;
class QTreeView;
class QWidget;

namespace tavrin {

class SettingsStore;

// The main window's controls as designed, placed in twips, and the layout that fits them to the
// window's size. It builds and places; the window wires the controls to what they drive.
struct MainWindowForm {
    // Builds every control into the window, at the design's first size.
    void setup(QMainWindow& window);
    // Fits the content to the client size, holding the window to its minimum size.
    void applyLayout(QMainWindow& window) const;
    // The outer size in twips, as stored under "Width" and "Height".
    float outerWidthTwips(const QMainWindow& window) const;
    float outerHeightTwips(const QMainWindow& window) const;
    void setOuterSizeTwips(QMainWindow& window, float width, float height) const;
    // The stored size, held to the screen; why a stored value could not be read, or nothing.
    QString restoreSize(QMainWindow& window, const SettingsStore& settings) const;

    TwipsScale twips{96.0};
    QLineEdit* hostEdit = nullptr;
    QLineEdit* portEdit = nullptr;
    QLineEdit* uniqueIdEdit = nullptr;
    QLineEdit* refreshEdit = nullptr;
    QPushButton* connectButton = nullptr;
    QFrame* shadowLine = nullptr;
    QFrame* highlightLine = nullptr;
    QFrame* contentFrame = nullptr;
    QLineEdit* linkEdit = nullptr;
    QPushButton* addButton = nullptr;
    QTreeView* torrentView = nullptr;
    // Pause All, UnPause All, Stop All, Queue All, Delete Completed.
    QList<QToolButton*> bulkButtons;

private:
    void createConnectionArea(QWidget* client);
    void createListArea(QWidget* client);
    void createBulkButtons();
};

} // namespace tavrin
