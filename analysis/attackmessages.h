// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_ATTACKMESSAGES_H
#define GAMMACRYPT_ATTACKMESSAGES_H

#include "keysearch.h"

#include <QString>

#include <optional>

// What the attack tells a person, worded once for the command-line tool and the lab. A
// problem reads as the tool's error does, in lower case without a full stop; the lab shows it
// as a sentence.
namespace analysis {

// Why the attack found no candidates (problem is not None); known and crib as given.
QString attackProblemText(AttackProblem problem, const std::optional<QString> &known,
                          const std::optional<QString> &crib);

// The warning a line of few letters gets; howToGiveCrib says where the person types a word.
QString shortLineWarning(const QString &howToGiveCrib);

// Whether the search ran to the end, and what exactly that proves.
QString searchOutcomeSentence(bool exhaustive);

// The text with a capital first letter and a full stop.
QString asSentence(const QString &text);

} // namespace analysis

#endif // GAMMACRYPT_ATTACKMESSAGES_H
