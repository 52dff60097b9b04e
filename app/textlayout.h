// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_TEXTLAYOUT_H
#define GAMMACRYPT_TEXTLAYOUT_H

#include <QObject>
#include <QString>
#include <QTextOption>

#include <memory>

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

// The longest line, in characters, that Open gives the editing area: laying out 32 Mi
// characters in one paragraph takes about 1.4 GiB and 20 s; twice that would not fit in 2 GiB.
constexpr int longestShownLine = 32 * 1024 * 1024;

// A line that Open refuses: its number (from 1; 0 when every line can be shown), its length
// and the longest line of such characters that the editing area shows, in characters.
struct TooLongLine
{
    int number = 0;
    int length = 0;
    int limit = 0;

    QString message() const; // in Russian, for the file-error box
};

// The longest line of text that edit cannot show. Qt's layout of a paragraph that reaches
// 8,388,607 pixels below the top of the text never ends, so a long line must also wrap into
// few enough screen lines below the lines before it; how many depends on the width of its
// characters in edit's font. Open checks a file with it, Encrypt and Decrypt their result.
TooLongLine findLineTooLongToShow(const QTextEdit &edit, const QString &text);

// Keeps the layout of an editing area linear in the length of its text. The area wraps as
// it always did (at word boundaries, and anywhere inside a word too long for a line) while
// its text has no stretch of longUnbreakableRun characters without a break opportunity;
// while it has one, it wraps anywhere, which lays such a stretch out in one pass and shows
// it the same: broken at the edge of the area. Only the wrap mode changes, never the text.
//
// The keeper marks the paragraphs that hold such a stretch and looks again only at the
// paragraphs an edit touches, so typing beside a long stretch costs nothing extra.
class WrapModeKeeper : public QObject
{
    Q_OBJECT

public:
    // Watches edit's document from now on; the keeper is a child of edit.
    explicit WrapModeKeeper(QTextEdit *edit);

    // How many characters the keeper has searched for break opportunities so far.
    qint64 scannedCharacters() const { return scanned; }

private:
    void contentsChange(int from, int removed, int added);
    void markBlocks(int from, int to);
    void setWrapAnywhere(bool anywhere);

    QTextEdit *edit;
    QTextOption::WrapMode usualMode;
    // Shared with the marks, which the document deletes with their paragraphs.
    std::shared_ptr<int> markedBlocks = std::make_shared<int>(0);
    qint64 scanned = 0;
    bool wrapsAnywhere = false;
};

} // namespace textlayout

#endif // GAMMACRYPT_TEXTLAYOUT_H
