#include "gui/ColumnChooserDialog.h"

#include "core/columns/ColumnLayout.h"
#include "gui/Twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QTreeWidget>

// The pictures live in the static library; they must be registered before first use.
static void initChooserResources()
{
    Q_INIT_RESOURCE(tavrin);
}

namespace tavrin {

namespace {

// Designed sizes in twips.
constexpr float buttonWidth = 1095.0f;
constexpr float buttonHeight = 375.0f;
constexpr float pictureSize = 375.0f;
constexpr float innerWidth = 4950.0f;
constexpr float innerHeight = 4920.0f;

QTreeWidgetItem* newRow(const QString& text, bool checked)
{
    auto* row = new QTreeWidgetItem(QStringList{text});
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
                  Qt::ItemNeverHasChildren);
    row->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    return row;
}

} // namespace

ColumnChooserDialog::ColumnChooserDialog(QWidget* parent) : QDialog(parent)
{
    initChooserResources();
    setObjectName(QStringLiteral("ColumnChooserDialog"));
    setWindowTitle(QStringLiteral("Change Columns"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    if (const QScreen* screen = this->screen())
        m_dpi = screen->logicalDotsPerInch();

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->resize(toPixels(buttonWidth), toPixels(buttonHeight));
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
        b->resize(toPixels(pictureSize), toPixels(pictureSize));
        return b;
    };

    cmdOK = button("cmdOK", QStringLiteral("Save"));
    cmdOK->setDefault(true);
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"));
    cmdTop = pictureButton("cmdTop", QStringLiteral("Move to top"),
                           QStringLiteral(":/icons/move-top.svg"));
    cmdUp =
        pictureButton("cmdUp", QStringLiteral("Move up"), QStringLiteral(":/icons/move-up.svg"));
    cmdDown = pictureButton("cmdDown", QStringLiteral("Move down"),
                            QStringLiteral(":/icons/move-down.svg"));
    cmdBottom = pictureButton("cmdBottom", QStringLiteral("Move to bottom"),
                              QStringLiteral(":/icons/move-bottom.svg"));

    lvCols = new QTreeWidget(this);
    lvCols->setObjectName(QStringLiteral("lvCols"));
    lvCols->setAccessibleName(QStringLiteral("Columns"));
    lvCols->setColumnCount(1);
    lvCols->setHeaderHidden(true);
    lvCols->header()->setStretchLastSection(false);
    lvCols->setRootIsDecorated(false);
    lvCols->setUniformRowHeights(true);
    lvCols->setItemsExpandable(false);
    lvCols->setSelectionMode(QAbstractItemView::SingleSelection);
    lvCols->setEditTriggers(QAbstractItemView::NoEditTriggers);

    cmdReset = button("cmdReset", QStringLiteral("Reset"));

    // The designed keyboard order.
    const QList<QWidget*> tabOrder = {cmdOK,   cmdCancel, cmdTop, cmdUp,
                                      cmdDown, cmdBottom, lvCols, cmdReset};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i - 1), tabOrder.at(i));

    connect(cmdOK, &QPushButton::clicked, this, &ColumnChooserDialog::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &ColumnChooserDialog::cmdCancel_Click);
    connect(cmdReset, &QPushButton::clicked, this, &ColumnChooserDialog::cmdReset_Click);
    connect(cmdTop, &QToolButton::clicked, this, &ColumnChooserDialog::cmdTop_Click);
    connect(cmdUp, &QToolButton::clicked, this, &ColumnChooserDialog::cmdUp_Click);
    connect(cmdDown, &QToolButton::clicked, this, &ColumnChooserDialog::cmdDown_Click);
    connect(cmdBottom, &QToolButton::clicked, this, &ColumnChooserDialog::cmdBottom_Click);

    resize(toPixels(innerWidth), toPixels(innerHeight));
    // Placed in the middle of the screen when loaded.
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    layOut();
}

int ColumnChooserDialog::toPixels(double twips) const
{
    return twips::toPixels(twips, m_dpi);
}

float ColumnChooserDialog::toTwips(int pixels) const
{
    return twips::fromPixels(pixels, m_dpi);
}

void ColumnChooserDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    if (m_domColInfo)
        FillColumnList(*m_domColInfo);
}

void ColumnChooserDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layOut();
}

void ColumnChooserDialog::keyPressEvent(QKeyEvent* event)
{
    // Esc is Cancel; only closing by the window frame leaves m_bCancel false.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ColumnChooserDialog::layOut()
{
    const float w = toTwips(width());
    const float h = toTwips(height());

    const float cancelLeft = w - buttonWidth - 50.0f;
    const float buttonTop = h - buttonHeight - 50.0f;
    cmdCancel->move(toPixels(cancelLeft), toPixels(buttonTop));
    const float resetLeft = cancelLeft - buttonWidth - 50.0f;
    cmdReset->move(toPixels(resetLeft), toPixels(buttonTop));
    const float okLeft = resetLeft - buttonWidth - 50.0f;
    cmdOK->move(toPixels(okLeft), toPixels(buttonTop));

    // A negative size is refused and that property keeps its value; the rest still follows.
    lvCols->move(toPixels(pictureSize + 100.0f), toPixels(50.0f));
    float listWidth = toTwips(lvCols->width());
    if (const float wanted = w - pictureSize - 150.0f; wanted >= 0.0f)
        listWidth = wanted;
    float listHeight = toTwips(lvCols->height());
    if (const float wanted = buttonTop - 50.0f; wanted >= 0.0f)
        listHeight = wanted;
    lvCols->resize(toPixels(listWidth), toPixels(listHeight));
    if (const float column = toTwips(lvCols->width()) - 400.0f; column >= 0.0f)
        lvCols->setColumnWidth(0, toPixels(column));

    const float step = pictureSize + 50.0f;
    cmdTop->move(toPixels(50.0f), toPixels(50.0f));
    cmdUp->move(toPixels(50.0f), toPixels(50.0f + step));
    cmdDown->move(toPixels(50.0f), toPixels(50.0f + 2.0f * step));
    cmdBottom->move(toPixels(50.0f), toPixels(50.0f + 3.0f * step));
}

void ColumnChooserDialog::FillColumnList(const pugi::xml_document& document)
{
    lvCols->clear();
    for (int position = 1;; ++position) {
        const pugi::xml_node col = columns::elementAt(document, position);
        if (!col)
            break;
        lvCols->addTopLevelItem(newRow(columns::key(col), columns::isShown(col)));
    }
}

void ColumnChooserDialog::cmdReset_Click()
{
    if (m_domColInfoDefault)
        FillColumnList(*m_domColInfoDefault);
}

void ColumnChooserDialog::moveSelected(Move move)
{
    lvCols->setFocus();
    const QList<QTreeWidgetItem*> selected = lvCols->selectedItems();
    if (selected.isEmpty())
        return;
    const int position = lvCols->indexOfTopLevelItem(selected.first());
    const int last = lvCols->topLevelItemCount() - 1;
    if ((move == Move::Up && position == 0) || (move == Move::Down && position == last))
        return;

    QTreeWidgetItem* taken = lvCols->takeTopLevelItem(position);
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
        target = lvCols->topLevelItemCount();
        break;
    }
    QTreeWidgetItem* row = newRow(text, checked);
    lvCols->insertTopLevelItem(target, row);
    lvCols->scrollToItem(row);
    lvCols->setCurrentItem(row);
}

void ColumnChooserDialog::cmdTop_Click()
{
    moveSelected(Move::Top);
}

void ColumnChooserDialog::cmdUp_Click()
{
    moveSelected(Move::Up);
}

void ColumnChooserDialog::cmdDown_Click()
{
    moveSelected(Move::Down);
}

void ColumnChooserDialog::cmdBottom_Click()
{
    moveSelected(Move::Bottom);
}

void ColumnChooserDialog::cmdOK_Click()
{
    if (m_domColInfo) {
        const int count = lvCols->topLevelItemCount();
        for (int i = 0; i < count; ++i) {
            const QTreeWidgetItem* row = lvCols->topLevelItem(i);
            const char* shown = row->checkState(0) == Qt::Checked ? "1" : "0";
            // The key is compared directly, so no character in it can change what is selected.
            for (pugi::xml_node col : columns::elementsWithKey(*m_domColInfo, row->text(0))) {
                pugi::xml_attribute index = col.attribute("index");
                if (!index)
                    index = col.append_attribute("index");
                index.set_value(i + 1);
                pugi::xml_attribute show = col.attribute("show");
                if (!show)
                    show = col.append_attribute("show");
                show.set_value(shown);
            }
        }
    }
    m_bCancel = false;
    accept();
}

void ColumnChooserDialog::cmdCancel_Click()
{
    m_bCancel = true;
    reject();
}

} // namespace tavrin
