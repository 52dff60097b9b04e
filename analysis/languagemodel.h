#ifndef GAMMACRYPT_LANGUAGEMODEL_H
#define GAMMACRYPT_LANGUAGEMODEL_H

#include "alphabet.h"

#include <QtGlobal>

namespace analysis {

// How much a line reads like Russian: the natural logarithm of the probability of each
// alphabet symbol given the two before it, over the cipher's 32 symbols (the space
// included). The counts come from the opening chapters of L. N. Tolstoy's "Anna Karenina"
// (1878, public domain), shipped as analysis/data/anna_karenina.txt and reduced by lmgen at
// build time; see lmgen.cpp for how the text is read.
extern const float tripleLogProbability[alphabetSize][alphabetSize][alphabetSize];
extern const qint64 languageModelSymbolCount;

// A line starts as if after two spaces (a word start).
constexpr int lineStartContext = 0;

} // namespace analysis

#endif // GAMMACRYPT_LANGUAGEMODEL_H
