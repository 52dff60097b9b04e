// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "textlayout.h"

#include <QFontMetricsF>
#include <QStringView>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace textlayout {

namespace {

// The white space at which the line breaker always may break: the no-break spaces are
// white space too, but hold their neighbours together.
bool isBreakingSpace(QChar c)
{
    return c.isSpace() && c.decompositionTag() != QChar::NoBreak;
}

// The longest distance between two neighbouring break opportunities of the Unicode
// line-breaking rules inside a stretch that holds no breaking white space.
int longestRunBetweenBreaks(QStringView stretch)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, stretch.data(), int(stretch.size()));
    int longest = 0;
    int previous = 0;
    for (int next = breaks.toNextBoundary(); next != -1; next = breaks.toNextBoundary()) {
        longest = std::max(longest, next - previous);
        previous = next;
    }
    return std::max(longest, int(stretch.size()) - previous);
}

// longestUnbreakableRun, looking only at white-space-free stretches of at least minimum
// characters: the others are left to the cheap scan for white space.
int longestRunInStretchesOf(QStringView text, int minimum)
{
    int longest = 0;
    int start = 0;
    const int size = int(text.size());
    for (int i = 0; i <= size; ++i) {
        if (i < size && !isBreakingSpace(text[i]))
            continue;
        const int length = i - start;
        if (length >= minimum && length > longest)
            longest = std::max(longest, longestRunBetweenBreaks(text.mid(start, length)));
        start = i + 1;
    }
    return longest;
}

bool hasLongRun(QStringView text)
{
    return longestRunInStretchesOf(text, longUnbreakableRun) >= longUnbreakableRun;
}

// The editing area has no pages, and the step of Qt's paragraph layout that would move a screen
// line below the bottom of the first page (at 8,388,607 pixels) to the next one does nothing:
// the layout repeats it for ever.
constexpr qreal hangingParagraphHeight = 8388607;
// The estimate of a paragraph's height leaves out the room left over at the ends of screen
// lines, a few per cent when words wrap; a quarter to spare covers it.
constexpr qreal tallestShownParagraph = hangingParagraphHeight * 3 / 4;
// Paragraphs up to this tall are seen to cross that height unharmed among others (30 MiB of
// lines of two screen lines each, 9.1 million pixels in all, open in 30 s; so does a
// paragraph of 60,000 pixels across it); a taller one must end above it, or its layout may
// never end either: two lines of 16 Mi letters, 5 million pixels each, stop it for good.
constexpr qreal tallParagraph = 50000;

bool endsParagraph(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case QChar::ParagraphSeparator:
    case 0xFDD0: // the editing area's frame marks
    case 0xFDD1:
        return true;
    default:
        return false;
    }
}

// The width of each character in the editing area's font, looked up once per character.
class CharacterWidths
{
public:
    CharacterWidths(const QTextEdit &edit, qreal lineWidth)
        : metrics(edit.document()->defaultFont(), edit.viewport()),
          tabWidth(edit.tabStopDistance()), lineWidth(lineWidth), widths(0x10000, -1)
    {
    }

    qreal operator()(QChar c)
    {
        qreal &width = widths[c.unicode()];
        if (width < 0)
            width = measure(c);
        return width;
    }

private:
    qreal measure(QChar c) const
    {
        if (c == QLatin1Char('\t'))
            return tabWidth;
        if (c == QChar::LineSeparator) // starts a screen line of its own
            return lineWidth;
        if (c.isSurrogate()) // a half of a character from another font, as wide as any
            return metrics.maxWidth();
        return metrics.horizontalAdvance(c);
    }

    QFontMetricsF metrics;
    qreal tabWidth;
    qreal lineWidth;
    std::vector<qreal> widths;
};

} // namespace

QString TooLongLine::message() const
{
    return QStringLiteral("строка %1 слишком длинная (%2 символов); окно показывает строку из "
                          "таких символов не длиннее %3")
        .arg(number)
        .arg(length)
        .arg(limit);
}

TooLongLine findLineTooLongToShow(const QTextEdit &edit, const QString &text)
{
    const QTextDocument *document = edit.document();
    const qreal lineWidth = std::max<qreal>(
        1, (document->textWidth() > 0 ? document->textWidth() : edit.viewport()->width()) -
               2 * document->documentMargin());
    const qreal rowHeight =
        std::ceil(QFontMetricsF(document->defaultFont(), edit.viewport()).lineSpacing());
    CharacterWidths widthOf(edit, lineWidth);

    TooLongLine worst;
    int line = 1;
    int start = 0;
    qreal top = 0; // of the paragraph, from the top of the text
    qreal width = 0;
    for (int i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !endsParagraph(text[i])) {
            width += widthOf(text[i]);
            continue;
        }
        const int length = i - start;
        if (i + 1 < text.size() && text[i] == QLatin1Char('\r') && text[i + 1] == QLatin1Char('\n'))
            ++i; // one line end, as the editing area takes it
        const qreal height = std::max<qreal>(1, std::ceil(width / lineWidth)) * rowHeight;
        int limit = longestShownLine;
        if (height > tallParagraph && top + height > tallestShownParagraph)
            limit = int(length * std::max(tallestShownParagraph - top, tallParagraph) / height);
        if (length > limit && length > worst.length)
            worst = {line, length, std::min(limit, longestShownLine)};
        ++line;
        start = i + 1;
        top += height;
        width = 0;
    }
    return worst;
}

int longestUnbreakableRun(const QString &text)
{
    return longestRunInStretchesOf(text, 1);
}

namespace {

// Sits on a paragraph that holds a long stretch and counts itself while it lives: the document
// deletes it with its paragraph, so paragraphs removed by any edit leave the count on their own.
class LongStretchMark : public QTextBlockUserData
{
public:
    explicit LongStretchMark(std::shared_ptr<int> count) : count(std::move(count))
    {
        ++*this->count;
    }
    ~LongStretchMark() override { --*count; }

private:
    std::shared_ptr<int> count;
};

} // namespace

WrapModeKeeper::WrapModeKeeper(QTextEdit *edit)
    : QObject(edit), edit(edit), usualMode(edit->wordWrapMode())
{
    connect(edit->document(), &QTextDocument::contentsChange, this,
            &WrapModeKeeper::contentsChange);
    contentsChange(0, 0, edit->document()->characterCount());
}

// Runs before the document lays the change out, so a new mode is in force for it.
void WrapModeKeeper::contentsChange(int from, int removed, int added)
{
    Q_UNUSED(removed) // the paragraphs it took away took their marks with them
    markBlocks(from, from + added);
    setWrapAnywhere(*markedBlocks > 0);
}

// Paragraphs end at a break, so a stretch never reaches over two of them: only the
// paragraphs the change touched can have gained or lost one.
void WrapModeKeeper::markBlocks(int from, int to)
{
    const QTextDocument *document = edit->document();
    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        bool hasLongStretch = false;
        if (block.length() > longUnbreakableRun) {
            scanned += block.length();
            hasLongStretch = hasLongRun(block.text());
        }
        if (hasLongStretch != (block.userData() != nullptr))
            block.setUserData(hasLongStretch ? new LongStretchMark(markedBlocks) : nullptr);
    }
}

void WrapModeKeeper::setWrapAnywhere(bool anywhere)
{
    if (anywhere == wrapsAnywhere)
        return;
    wrapsAnywhere = anywhere;
    edit->setWordWrapMode(anywhere ? QTextOption::WrapAnywhere : usualMode);
}

} // namespace textlayout
