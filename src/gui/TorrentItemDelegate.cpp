#include "gui/TorrentItemDelegate.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

namespace tavrin {

namespace {

// Enough for several screens of cells, so scrolling back and forth lays nothing out again.
constexpr int cachedTexts = 4096;

// A left-to-right cell with nothing but a background and left-aligned text, selected as part of
// its row; a focused cell (only when the row shows no focus frame of its own) goes the base way.
bool plainTextCell(const QStyleOptionViewItem& opt)
{
    constexpr auto extras = QStyleOptionViewItem::WrapText |
                            QStyleOptionViewItem::HasCheckIndicator |
                            QStyleOptionViewItem::HasDecoration;
    constexpr Qt::Alignment horizontal =
        Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify;
    const Qt::Alignment aligned = QStyle::visualAlignment(opt.direction, opt.displayAlignment);
    return !(opt.features & extras) &&
           !(opt.state & (QStyle::State_HasFocus | QStyle::State_Editing)) &&
           opt.showDecorationSelected && opt.direction == Qt::LeftToRight &&
           (aligned & horizontal) == Qt::AlignLeft;
}

// One line of text laid out in `width` as the style lays out a cell's text; false when the
// text breaks into more lines.
bool layOutLine(QTextLayout& layout, int width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::ManualWrap);
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    const bool oneLine = line.isValid() && !layout.createLine().isValid();
    layout.endLayout();
    return oneLine;
}

} // namespace

size_t qHash(const TorrentItemDelegate::TextKey& key, size_t seed)
{
    // The font takes part in equality only: a list has one font, hashing it would cost per cell.
    return qHashMulti(seed, key.text, key.width);
}

TorrentItemDelegate::TorrentItemDelegate(QObject* parent)
    : QStyledItemDelegate(parent), m_cache(cachedTexts)
{
}

TorrentItemDelegate::~TorrentItemDelegate() = default;

void TorrentItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    if (!plainTextCell(opt)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Where the style puts a cell's text, kept clear of the focus frame as the style keeps it.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget)
                               .adjusted(margin, 0, -margin, 0);
    const PreparedText* text = nullptr;
    if (!opt.text.isEmpty()) {
        text = &prepared({opt.text, opt.font, textRect.width(), opt.textElideMode});
        // Texts of several lines, and rows lower than a line, are placed in ways not worth
        // repeating here.
        if (!text->oneLine || text->height > textRect.height()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
    }

    painter->save();
    painter->setClipRect(opt.rect);
    // The style draws the cell as it draws any cell, only the text is ours, laid out once.
    QStyleOptionViewItem cell = opt;
    cell.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    if (index.column() == m_progressColumn) {
        // A bar under the text, in the selection's colour, faint enough to read the text over.
        const double fraction = progressFraction(opt.text);
        if (fraction > 0) {
            const QRect track = opt.rect.adjusted(1, 2, -1, -2);
            QColor fill = opt.palette.color(QPalette::Highlight);
            if (opt.state & QStyle::State_Selected)
                fill = opt.palette.color(QPalette::HighlightedText);
            fill.setAlpha(80);
            painter->fillRect(
                QRect(track.topLeft(), QSize(qRound(track.width() * fraction), track.height())),
                fill);
        }
    }
    if (text) {
        QPalette::ColorGroup group =
            opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
        // The whole text's height places the line, even when only part of it is shown.
        const int top = QStyle::alignedRect(Qt::LayoutDirectionAuto, opt.displayAlignment,
                                            QSize(textRect.width(), text->height), textRect)
                            .top();
        for (const QGlyphRun& run : text->glyphs)
            painter->drawGlyphRun(QPointF(textRect.left(), top), run);
    }
    painter->restore();
}

double TorrentItemDelegate::progressFraction(const QString& text)
{
    QStringView number = QStringView(text).trimmed();
    if (!number.endsWith(u'%'))
        return 0;
    bool ok = false;
    const double percent = number.chopped(1).trimmed().toDouble(&ok);
    if (!ok || !(percent > 0))
        return 0;
    return std::min(percent, 100.0) / 100.0;
}

const TorrentItemDelegate::PreparedText& TorrentItemDelegate::prepared(const TextKey& key) const
{
    if (const PreparedText* hit = m_cache.object(key))
        return *hit;
    auto* entry = new PreparedText;
    QTextLayout whole(key.text, key.font);
    entry->oneLine = layOutLine(whole, key.width);
    entry->height = qRound(whole.boundingRect().height());
    if (entry->oneLine && whole.lineAt(0).naturalTextWidth() > key.width) {
        // Without the flag a U+009C in a name would be taken for a break between length variants.
        const QString shown = QFontMetrics(key.font).elidedText(key.text, key.elideMode, key.width,
                                                                Qt::TextLongestVariant);
        QTextLayout elided(shown, key.font);
        layOutLine(elided, key.width);
        entry->glyphs = elided.glyphRuns();
    } else if (entry->oneLine) {
        entry->glyphs = whole.glyphRuns();
    }
    m_cache.insert(key, entry);
    return *entry;
}

} // namespace tavrin
