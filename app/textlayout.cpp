#include "textlayout.h"

#include <QStringView>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

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

} // namespace

int longestUnbreakableRun(const QString &text)
{
    return longestRunInStretchesOf(text, 1);
}

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
    Q_UNUSED(removed)
    if (blocksHaveLongRun(from, from + added))
        setWrapAnywhere(true);
    else if (wrapsAnywhere) // the change may have taken the last long stretch away
        setWrapAnywhere(blocksHaveLongRun(0, edit->document()->characterCount()));
}

// Paragraphs end at a break, so a stretch never reaches over two of them.
bool WrapModeKeeper::blocksHaveLongRun(int from, int to) const
{
    const QTextDocument *document = edit->document();
    for (QTextBlock block = document->findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.length() > longUnbreakableRun && hasLongRun(block.text()))
            return true;
    }
    return false;
}

void WrapModeKeeper::setWrapAnywhere(bool anywhere)
{
    if (anywhere == wrapsAnywhere)
        return;
    wrapsAnywhere = anywhere;
    edit->setWordWrapMode(anywhere ? QTextOption::WrapAnywhere : usualMode);
}

} // namespace textlayout
