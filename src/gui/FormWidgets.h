#pragma once

#include "gui/Twips.h"

#include <QColor>
#include <QString>
#include <array>

class QFrame;
class QLineEdit;
class QPushButton;
class QWidget;

// Small builders for the window's controls, placed in twips.
namespace tavrin::form {

// A caption and its text box; assistive tools name the box by its caption. `caption` is left,
// top, width and how much lower than the box the caption sits, in twips.
QLineEdit* captionedBox(const TwipsScale& twips, QWidget* parent, const char* name,
                        const QString& text, const std::array<double, 4>& caption, double boxLeft,
                        double boxWidth);

// A push button that never becomes the default button.
QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption);

// A one-pixel line in a flat colour.
QFrame* separatorLine(QWidget* parent, const char* name, const QColor& colour);

} // namespace tavrin::form
