// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LANGUAGEMODEL_H
#define GAMMACRYPT_LANGUAGEMODEL_H

#include "alphabet.h"

#include <QByteArray>
#include <QtGlobal>

namespace analysis {

// How much a line reads like Russian: the natural logarithm of the probability of each
// alphabet symbol given the two before it, over the cipher's 32 symbols (the space
// included). The project ships the model as counts, analysis/data/russian.lmcounts, whose
// header names the texts they were reduced from (with each text's size and SHA-256); the
// build turns them into these tables with lmgen, and "lmgen count" rebuilds the counts from
// any corpus (see lmgen.cpp for how a text is read).
extern const float tripleLogProbability[alphabetSize][alphabetSize][alphabetSize];
extern const qint64 languageModelSymbolCount;
// How often each alphabet code occurs in that text; the counts sum to languageModelSymbolCount.
extern const qint64 symbolCount[alphabetSize];

// The share of alphabet code 0..31 in the model's text (the space included); the shares sum
// to 1. 0 for a code outside the alphabet.
double modelSymbolShare(int code);

// A line starts as if after spaces (a word start).
constexpr int lineStartContext = 0;

// The same counts with up to four symbols of context, Witten–Bell interpolated with the
// shorter contexts and kept sparse (sorted by key, the symbols as base-32 digits, oldest
// first): the log-probability of each sequence the text holds, and per context the text
// holds the log-weight that an unseen follower's shorter-context probability gets.
struct SparseLogProbability
{
    quint32 key;
    float logProbability;
};
extern const SparseLogProbability quadrupleLogProbability[];
extern const int quadrupleLogProbabilityCount;
extern const SparseLogProbability quadrupleUnseenLogWeight[];
extern const int quadrupleUnseenLogWeightCount;
extern const SparseLogProbability quintupleLogProbability[];
extern const int quintupleLogProbabilityCount;
extern const SparseLogProbability quintupleUnseenLogWeight[];
extern const int quintupleUnseenLogWeightCount;

// The log-probability of a line's alphabet codes with four symbols of context. Too slow for
// the key search, which scores with the triples; it ranks the search's best texts.
double longContextLogProbability(const QByteArray &codes);

// The same text's word forms (runs of letters between spaces, read as above), each by a hash
// of its codes with its count, sorted by hash; N tokens of T distinct forms.
struct WordFormCount
{
    quint64 hash;
    quint32 count;
};
extern const WordFormCount wordFormCounts[];
extern const int wordFormTypeCount;
extern const qint64 wordFormTokenCount;

// FNV-1a over a word's codes.
inline quint64 wordFormHash(const char *codes, int length)
{
    quint64 hash = 14695981039346656037ull;
    for (int i = 0; i < length; ++i) {
        hash ^= quint8(codes[i]);
        hash *= 1099511628211ull;
    }
    return hash;
}

// The search leaves a line's first letters to the model alone, and letter contexts happily
// accept a plausible run of letters that is no word ("ОТ УЖАЕТ" for "ОКРУЖАЕТ"). So the
// final ranking scores each complete word (its letters and the space that ends it) by a
// Witten–Bell mixture of the word counts and the letter model:
//   P(w) = (count(w) + T·Pc(w)) / (N + T),
// Pc(w) being the letter model's probability of those symbols in their context; everything
// else, and a last word with no space after it (it may be cut), keeps the letter model's
// score. A word the text never holds keeps its letter score lowered by log(T / (N + T)).
double lineLogProbability(const QByteArray &codes);

} // namespace analysis

#endif // GAMMACRYPT_LANGUAGEMODEL_H
