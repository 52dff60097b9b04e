// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_RERANK_H
#define GAMMACRYPT_RERANK_H

#include "gammakey.h"

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

#include <vector>

// The final ranking of the texts the search found: the full language model and the share of
// all keys that give each text's keystream, and the confidence that follows from them.
namespace analysis {

// The cipher line as the search and the ranking see it.
struct SearchedLine
{
    std::vector<qint8> code;         // the alphabet code at each position, or −1
    std::vector<qint8> forced;       // the gamma code the known beginning requires, or −1
    std::vector<int> lettersThrough; // alphabet positions among 0..i
    int length = 0;
    int letterCount = 0;
};

// A text the search found, with the key that gives it.
struct FoundText
{
    double score = 0;
    GammaKey key;
    QByteArray letters;
    int cribPosition = -1;
    double confidence = 0;
};

// Where the crib may stand: the gamma codes it requires there (with the known beginning's).
struct Placement
{
    int cribPosition = -1;
    std::vector<qint8> forced;
};

// Texts the search keeps, whatever --top asks: the first candidate must not depend on how
// many are printed, and the confidence weighs the first against the others.

// The plain letters (alphabet codes) that gamma makes of the line's alphabet positions.
QByteArray plainLetters(const SearchedLine &line, const QVector<int> &gamma);

// The letters' score under the triples alone, the one the search ranks with.
double tripleScore(const QByteArray &letters);

// Ranks the found texts again, adds the texts that the typed keys of their residue classes
// give and the line as it stands, and returns the best top of them with their confidences.
// A text holds a crib only at one of the placements (one placement with cribPosition −1 and
// the known beginning's codes, without a crib).
std::vector<FoundText> rankFoundTexts(const SearchedLine &line,
                                      const std::vector<Placement> &placements,
                                      const std::vector<FoundText> &found, int top);

} // namespace analysis

#endif // GAMMACRYPT_RERANK_H
