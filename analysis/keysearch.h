// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEYSEARCH_H
#define GAMMACRYPT_KEYSEARCH_H

#include "keypattern.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <optional>

namespace analysis {

struct AttackSettings
{
    int top = 5;
    // The plain text is known to begin with this: letters compared as the alphabet sees
    // them, other characters exactly.
    std::optional<QString> known;
    // A fragment known to occur somewhere in the plain text, at a position not known.
    std::optional<QString> crib;
    // Sign patterns kept per residue class while the walk is followed.
    int beamWidth = 2048;
    // Called from the attacking thread now and then, cheaply: done of total steps.
    std::function<void(int done, int total)> progress;
    // Checked often; once set, the search stops soon and reports itself cancelled.
    const std::atomic<bool> *cancel = nullptr;
};

struct Candidate
{
    double score = 0; // log-probability of the text plus log-share of keys giving its keystream
    GammaKey key;     // transforms the cipher line into text
    QString text;
};

enum class AttackProblem {
    None,
    EmptyLine,
    NoAlphabetCharacter,
    KnownContradicts, // no key is consistent with the known beginning
};

struct AttackResult
{
    AttackProblem problem = AttackProblem::None;
    QVector<Candidate> candidates; // best first
    int searchedLength = 0;        // positions of the line that the search scores
    int residueClasses = 0;        // (A, C, T0) mod 32 classes screened
    int classesInDepth = 0;        // classes whose sign patterns were followed
    qint64 patternsScored = 0;     // sign patterns scored in those classes
    qint64 elapsedMs = 0;
    bool cancelled = false; // stopped on request: no candidates then
};

// Longer lines are ranked on their first positions: the walk has settled into its cycle
// long before, so the key found there transforms the whole line.
constexpr int longestSearchedLength = 1024;

// Ranks keys by how much the transformed line reads like Russian and returns the best
// ones, each a concrete key that transforms cipherLine into its text. Texts are distinct.
AttackResult attackLine(const QString &cipherLine, const AttackSettings &settings);

// An upper bound, as a power of two, on the number of distinct keystreams the generator
// can produce over positions 0..length−1: (A, C, T0) mod 32, times the seed's three cases,
// times the sign patterns of wrap32(A·t + C) over t = −31..31 that any A and C can give (cells
// of the torus arrangement), and never more than 2^length per residue class.
double keystreamCountLog2(int length);

} // namespace analysis

#endif // GAMMACRYPT_KEYSEARCH_H
