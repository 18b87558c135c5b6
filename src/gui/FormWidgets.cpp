#include "gui/FormWidgets.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tavrin::form {

QLineEdit* captionedBox(const TwipsScale& twips, QWidget* parent, const char* name,
                        const QString& text, const std::array<double, 4>& caption, double boxLeft,
                        double boxWidth)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name) + QLatin1String("Label"));
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name) + QLatin1String("Edit"));
    label->setBuddy(edit);
    edit->setAccessibleName(text);
    label->setGeometry(twips.toPixels(caption[0], caption[1] + caption[3], caption[2], 255));
    edit->setGeometry(twips.toPixels(boxLeft, caption[1], boxWidth, 285));
    // A caption wider than its box may use the space up to its text box, never clip.
    const int room = edit->x() - label->x();
    label->resize(std::max(label->width(), std::min(room, label->sizeHint().width())),
                  label->height());
    return edit;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QFrame* separatorLine(QWidget* parent, const char* name, const QColor& colour)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace tavrin::form
