#include "gui/ColumnChooserDialog.h"

#include "core/columns/ColumnLayout.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>

namespace tavrin {

namespace {

// Sizes in twips.
constexpr float buttonWidth = 1095.0f;
constexpr float buttonHeight = 375.0f;
constexpr float pictureSize = 375.0f;
constexpr float gap = 50.0f;
constexpr float initialWidth = 4950.0f;
constexpr float initialHeight = 4920.0f;

QTreeWidgetItem* newRow(const QString& text, bool checked)
{
    auto* row = new QTreeWidgetItem(QStringList{text});
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                  Qt::ItemNeverHasChildren);
    row->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    return row;
}

// Sets the attribute, adding it when the element lacks it.
template <typename T> void writeAttribute(pugi::xml_node element, const char* name, T value)
{
    pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute)
        attribute = element.append_attribute(name);
    attribute.set_value(value);
}

} // namespace

ColumnChooserDialog::ColumnChooserDialog(QWidget* parent) : QDialog(parent), m_twips(*this)
{
    setObjectName(QStringLiteral("ColumnChooserDialog"));
    setWindowTitle(tr("Change Columns"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->resize(m_twips.toPixels(buttonWidth), m_twips.toPixels(buttonHeight));
        return b;
    };
    const auto pictureButton = [this](const char* name, const QString& tip, const QString& icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setIcon(QIcon(icon));
        b->setIconSize(QSize(16, 16));
        b->setFocusPolicy(Qt::StrongFocus);
        b->resize(m_twips.toPixels(pictureSize), m_twips.toPixels(pictureSize));
        return b;
    };

    m_saveButton = button("saveButton", tr("Save"));
    m_saveButton->setDefault(true);
    m_cancelButton = button("cancelButton", tr("Cancel"));
    m_moveTopButton =
        pictureButton("moveTopButton", tr("Move to top"), QStringLiteral(":/icons/move-top.svg"));
    m_moveUpButton =
        pictureButton("moveUpButton", tr("Move up"), QStringLiteral(":/icons/move-up.svg"));
    m_moveDownButton =
        pictureButton("moveDownButton", tr("Move down"), QStringLiteral(":/icons/move-down.svg"));
    m_moveBottomButton = pictureButton("moveBottomButton", tr("Move to bottom"),
                                       QStringLiteral(":/icons/move-bottom.svg"));

    m_columnList = new QTreeWidget(this);
    m_columnList->setObjectName(QStringLiteral("columnList"));
    m_columnList->setAccessibleName(tr("Columns"));
    m_columnList->setColumnCount(1);
    m_columnList->setHeaderHidden(true);
    m_columnList->header()->setStretchLastSection(false);
    m_columnList->setRootIsDecorated(false);
    m_columnList->setUniformRowHeights(true);
    m_columnList->setItemsExpandable(false);
    m_columnList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_columnList->setEditTriggers(QAbstractItemView::NoEditTriggers);

    m_resetButton = button("resetButton", tr("Reset"));

    // Tab starts at Save and Cancel, then walks the move buttons, the list and Reset.
    const QList<QWidget*> tabOrder = {m_saveButton,   m_cancelButton,   m_moveTopButton,
                                      m_moveUpButton, m_moveDownButton, m_moveBottomButton,
                                      m_columnList,   m_resetButton};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));

    connect(m_saveButton, &QPushButton::clicked, this, &ColumnChooserDialog::onSaveClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &ColumnChooserDialog::onCancelClicked);
    connect(m_resetButton, &QPushButton::clicked, this, &ColumnChooserDialog::onResetClicked);
    const QList<std::pair<QToolButton*, Move>> moves = {{m_moveTopButton, Move::Top},
                                                        {m_moveUpButton, Move::Up},
                                                        {m_moveDownButton, Move::Down},
                                                        {m_moveBottomButton, Move::Bottom}};
    for (const auto& [b, move] : moves)
        connect(b, &QToolButton::clicked, this, [this, move] { moveSelected(move); });

    resize(m_twips.toPixels(initialWidth), m_twips.toPixels(initialHeight));
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    applyLayout();
}

void ColumnChooserDialog::setLayouts(pugi::xml_document* working, const pugi::xml_document* builtIn)
{
    m_working = working;
    m_builtIn = builtIn;
}

void ColumnChooserDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_filled)
        return;
    m_filled = true;
    if (m_working)
        fillColumnList(*m_working);
}

void ColumnChooserDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    applyLayout();
}

void ColumnChooserDialog::keyPressEvent(QKeyEvent* event)
{
    // Esc is Cancel; only closing by the window frame leaves the dialog not cancelled.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cancelButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ColumnChooserDialog::applyLayout()
{
    const auto px = [this](float twips) { return m_twips.toPixels(twips); };
    const float w = m_twips.toTwips(width());
    const float h = m_twips.toTwips(height());

    const float cancelLeft = w - buttonWidth - gap;
    const float buttonRowTop = h - buttonHeight - gap;
    m_cancelButton->move(px(cancelLeft), px(buttonRowTop));
    const float resetLeft = cancelLeft - buttonWidth - gap;
    m_resetButton->move(px(resetLeft), px(buttonRowTop));
    const float saveLeft = resetLeft - buttonWidth - gap;
    m_saveButton->move(px(saveLeft), px(buttonRowTop));

    // A size that would be negative is not applied; the list keeps that one as it was.
    m_columnList->move(px(pictureSize + 2 * gap), px(gap));
    float listWidth = m_twips.toTwips(m_columnList->width());
    if (const float wanted = w - pictureSize - 3 * gap; wanted >= 0.0f)
        listWidth = wanted;
    float listHeight = m_twips.toTwips(m_columnList->height());
    if (const float wanted = buttonRowTop - gap; wanted >= 0.0f)
        listHeight = wanted;
    m_columnList->resize(px(listWidth), px(listHeight));
    // Room for the check box and a vertical scroll bar beside the key.
    if (const float column = m_twips.toTwips(m_columnList->width()) - 400.0f; column >= 0.0f)
        m_columnList->setColumnWidth(0, px(column));

    float top = gap;
    for (QToolButton* b : {m_moveTopButton, m_moveUpButton, m_moveDownButton, m_moveBottomButton}) {
        b->move(px(gap), px(top));
        top += pictureSize + gap;
    }
}

void ColumnChooserDialog::fillColumnList(const pugi::xml_document& document)
{
    m_columnList->clear();
    for (int position = 1;; ++position) {
        const pugi::xml_node col = columns::elementAt(document, position);
        if (!col)
            break;
        m_columnList->addTopLevelItem(newRow(columns::key(col), columns::isShown(col)));
    }
}

void ColumnChooserDialog::onResetClicked()
{
    if (m_builtIn)
        fillColumnList(*m_builtIn);
}

void ColumnChooserDialog::moveSelected(Move move)
{
    m_columnList->setFocus();
    const QList<QTreeWidgetItem*> selected = m_columnList->selectedItems();
    if (selected.isEmpty())
        return;
    const int position = m_columnList->indexOfTopLevelItem(selected.first());
    const int last = m_columnList->topLevelItemCount() - 1;
    if ((move == Move::Up && position == 0) || (move == Move::Down && position == last))
        return;

    QTreeWidgetItem* taken = m_columnList->takeTopLevelItem(position);
    const QString text = taken->text(0);
    const bool checked = taken->checkState(0) == Qt::Checked;
    delete taken;

    int target = 0;
    switch (move) {
    case Move::Top:
        target = 0;
        break;
    case Move::Up:
        target = position - 1;
        break;
    case Move::Down:
        target = position + 1;
        break;
    case Move::Bottom:
        target = m_columnList->topLevelItemCount();
        break;
    }
    QTreeWidgetItem* row = newRow(text, checked);
    m_columnList->insertTopLevelItem(target, row);
    m_columnList->scrollToItem(row);
    m_columnList->setCurrentItem(row);
}

void ColumnChooserDialog::onSaveClicked()
{
    if (m_working) {
        const int count = m_columnList->topLevelItemCount();
        for (int i = 0; i < count; ++i) {
            const QTreeWidgetItem* row = m_columnList->topLevelItem(i);
            const char* shown = row->checkState(0) == Qt::Checked ? "1" : "0";
            // The key is compared directly, so no character in it can change what is selected.
            for (pugi::xml_node col : columns::elementsWithKey(*m_working, row->text(0))) {
                writeAttribute(col, "index", i + 1);
                writeAttribute(col, "show", shown);
            }
        }
    }
    m_cancelled = false;
    accept();
}

void ColumnChooserDialog::onCancelClicked()
{
    m_cancelled = true;
    reject();
}

} // namespace tavrin
