#pragma once

#include <QCache>
#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QString>
#include <QStyledItemDelegate>

namespace tavrin {

// Paints the torrent list's plain text cells as the common styles do, but lays out each text
// only once for as long as it stays in a bounded cache: a refresh repaints every visible row
// every second and most cells read the same as the second before.
class TorrentItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TorrentItemDelegate(QObject* parent = nullptr);
    ~TorrentItemDelegate() override;

    // The column painted as a bar under its text (the torrent's progress); -1 for none.
    void setProgressColumn(int column) { m_progressColumn = column; }
    // How full a progress text's bar is, 0 to 1: "42.5%" is 0.425; anything else is empty.
    static double progressFraction(const QString& text);

    // Cells with anything but text and a background, and styles of their own, go the base way.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // What decides how a cell's text looks; the key of the cache.
    struct TextKey {
        QString text;
        QFont font;
        int width = 0;
        Qt::TextElideMode elideMode = Qt::ElideRight;
        friend bool operator==(const TextKey&, const TextKey&) = default;
    };

private:
    // A text laid out, elided if need be, ready to draw.
    struct PreparedText {
        QList<QGlyphRun> glyphs;
        int height = 0; // of the whole text, which places the line as the style does
        bool oneLine = true;
    };
    const PreparedText& prepared(const TextKey& key) const;

    mutable QCache<TextKey, PreparedText> m_cache;
    int m_progressColumn = -1;
};

size_t qHash(const TorrentItemDelegate::TextKey& key, size_t seed = 0);

} // namespace tavrin
