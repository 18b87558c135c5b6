#include "core/platform/MessageText.h"

namespace tavrin {

namespace {

// The visible stand-in for a control character; none for the ones a box lays out itself.
QString visible(char16_t c)
{
    if (c == u'\t' || c == u'\r' || c == u'\n')
        return {};
    if (c < 0x20)
        return QString(QChar(char16_t(0x2400 + c))); // the Control Pictures block: ␀ ␁ ...
    if (c == 0x7F)
        return QString(QChar(char16_t(0x2421))); // ␡
    return QStringLiteral("<U+%1>").arg(int(c), 4, 16, QLatin1Char('0')).toUpper();
}

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

QString messageBoxText(const QString& text, qsizetype characters, int lines)
{
    QString shown;
    shown.reserve(std::min(text.size(), characters) + 1);
    int breaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool lineBreak =
            c == u'\n' || (c == u'\r' && (i + 1 == text.size() || text.at(i + 1) != u'\n'));
        // A surrogate pair is kept whole: cutting between its halves leaves a broken character.
        const qsizetype width = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                                        QChar::isLowSurrogate(text.at(i + 1).unicode())
                                    ? 2
                                    : 1;
        if (i + width > characters || (lineBreak && breaks == lines)) {
            shown += QChar(char16_t(0x2026)); // …
            return shown;
        }
        if (lineBreak)
            ++breaks;
        if (isControl(c) && !visible(c).isEmpty())
            shown += visible(c);
        else
            shown += QStringView(text).mid(i, width);
        i += width - 1;
    }
    return shown;
}

QString terminalCell(const QString& text, qsizetype characters)
{
    QString shown;
    shown.reserve(std::min(text.size(), characters));
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const qsizetype width = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                                        QChar::isLowSurrogate(text.at(i + 1).unicode())
                                    ? 2
                                    : 1;
        if (count + 1 > characters || (count + 1 == characters && i + width < text.size())) {
            shown += QChar(char16_t(0x2026)); // …
            return shown;
        }
        if (c == u'\t' || c == u'\r' || c == u'\n')
            shown += QChar(char16_t(0x2400 + c));
        else if (isControl(c))
            shown += visible(c);
        else
            shown += QStringView(text).mid(i, width);
        ++count;
        i += width - 1;
    }
    return shown;
}

} // namespace tavrin
