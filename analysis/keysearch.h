// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEYSEARCH_H
#define GAMMACRYPT_KEYSEARCH_H

#include "keypattern.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <array>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

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
    // False: Candidate::text is left empty, and the caller transforms the line with each key
    // as it writes it; a long line is then not held once per candidate.
    bool candidateTexts = true;
};

struct Candidate
{
    double score = 0; // log-probability of the text plus log-share of keys giving its keystream
    GammaKey key;     // transforms the cipher line into text
    QString text;
    // The share of the weighed texts' posterior (model times key prior, summed over keys)
    // that this text holds, 0..1: texts the search never reached are not in the sum.
    double confidence = 0;
    int cribPosition = -1; // where the crib stands in the text, −1 without a crib
};

enum class AttackProblem {
    None,
    EmptyLine,
    NoAlphabetCharacter,
    KnownContradicts, // proven: no key gives a text with the known beginning
    CribAbsent,       // proven: no key gives a text holding the crib
    NotFound,         // the search found no key that fits, and could not prove there is none
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
    // Every residue class and sign pattern that could beat the list was followed to the end;
    // otherwise the search stopped early (its time or width limit) and a better text may exist.
    bool exhaustive = false;
    // So few letters that many texts fit about equally: the first candidate is a guess.
    bool shortLine = false;
};

// Lines with fewer letters than this get the short-line warning: below it the measured share
// of right first candidates falls under nine in ten.
constexpr int shortLineLetters = 20;

// Longer lines are ranked on their first positions: the walk has settled into its cycle
// long before, so the key found there transforms the whole line.
constexpr int longestSearchedLength = 1024;

// Ranks keys by how much the transformed line reads like Russian and returns the best
// ones, each a concrete key that transforms cipherLine into its text. Texts are distinct.
AttackResult attackLine(const QString &cipherLine, const AttackSettings &settings);

// The two upper bounds the search puts on a residue class's texts over cipherLine under the
// triples (key priors left out): screening, cheap, for every class; full, for the classes
// that come up. Every keystream of the class scores at most either; for tests.
struct ClassBounds
{
    double screening = 0;
    double full = 0;
    // What the letters from the k-th on can still add, by which gamma the two letters before
    // it took (index 2·u + v, u the earlier one; 1 is gamma 0 where the residue is not 0): the
    // bound a hypothesis is pruned with part way along the line. full is remaining[0][0].
    std::vector<std::array<float, 4>> remaining;
    // What every walk of the class pays at least for the signs the search fixes (a coin toss
    // each, for a 32-bit key) from the k-th letter on; added to remaining in the sign search.
    std::vector<float> signCosts;
};
ClassBounds residueClassBounds(const QString &cipherLine, int classIndex);

// The score attackLine gives the text that key makes of cipherLine (over the part the search
// ranks): the benchmark compares the truth's score with the first candidate's. None on a line
// of too few letters among other characters, where the search weighs each pattern alone.
std::optional<double> textScore(const QString &cipherLine, const GammaKey &key);

// An upper bound, as a power of two, on the number of distinct keystreams the generator
// can produce over positions 0..length−1: (A, C, T0) mod 32, times the seed's three cases,
// times the sign patterns of wrap32(A·t + C) over t = −31..31 that any A and C can give (cells
// of the torus arrangement), and never more than 2^length per residue class.
double keystreamCountLog2(int length);

} // namespace analysis

#endif // GAMMACRYPT_KEYSEARCH_H
