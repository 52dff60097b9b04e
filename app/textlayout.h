#ifndef GAMMACRYPT_TEXTLAYOUT_H
#define GAMMACRYPT_TEXTLAYOUT_H

#include <QObject>
#include <QString>
#include <QTextOption>

class QTextEdit;

namespace textlayout {

// A stretch of text with no line-break opportunity at least this long makes the editing
// area wrap anywhere. Qt's default wrap mode measures, for every visual line, the text up
// to the next break opportunity before it falls back to breaking anywhere; inside such a
// stretch that is the rest of the stretch, line after line, so the layout time grows with
// the square of its length. Below this length a stretch costs under ten milliseconds.
constexpr int longUnbreakableRun = 8192;

// The length, in UTF-16 code units, of the longest stretch of text in which the line
// breaker finds no place to break: no breaking white space and no break opportunity of
// the Unicode line-breaking rules.
int longestUnbreakableRun(const QString &text);

// Keeps the layout of an editing area linear in the length of its text. The area wraps as
// it always did (at word boundaries, and anywhere inside a word too long for a line) while
// its text has no stretch of longUnbreakableRun characters without a break opportunity;
// while it has one, it wraps anywhere, which lays such a stretch out in one pass and shows
// it the same: broken at the edge of the area. Only the wrap mode changes, never the text.
class WrapModeKeeper : public QObject
{
public:
    // Watches edit's document from now on; the keeper is a child of edit.
    explicit WrapModeKeeper(QTextEdit *edit);

private:
    void contentsChange(int from, int removed, int added);
    bool blocksHaveLongRun(int from, int to) const;
    void setWrapAnywhere(bool anywhere);

    QTextEdit *edit;
    QTextOption::WrapMode usualMode;
    bool wrapsAnywhere = false;
};

} // namespace textlayout

#endif // GAMMACRYPT_TEXTLAYOUT_H
