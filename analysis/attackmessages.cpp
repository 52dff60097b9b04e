// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "attackmessages.h"

namespace analysis {

namespace {

QString quoted(const QString &text)
{
    return QStringLiteral("«%1»").arg(text);
}

QString noKeyText(const std::optional<QString> &known, const std::optional<QString> &crib)
{
    if (known && crib)
        return QStringLiteral("ни один ключ не даёт текст, который начинается с %1 и содержит %2")
            .arg(quoted(*known), quoted(*crib));
    if (crib)
        return QStringLiteral("ни один ключ не даёт текст, который содержит %1").arg(quoted(*crib));
    return QStringLiteral("ни один ключ не даёт текст, который начинается с %1")
        .arg(quoted(known.value_or(QString())));
}

} // namespace

QString attackProblemText(AttackProblem problem, const std::optional<QString> &known,
                          const std::optional<QString> &crib)
{
    switch (problem) {
    case AttackProblem::None:
        break;
    case AttackProblem::EmptyLine:
        return QStringLiteral("строка шифртекста пуста: подбирать ключ не к чему");
    case AttackProblem::NoAlphabetCharacter:
        return QStringLiteral("в строке шифртекста нет ни одного символа алфавита (пробел и "
                              "русские буквы без Ё и Й): шифр её не менял, ключ по ней не "
                              "подобрать");
    case AttackProblem::KnownContradicts:
    case AttackProblem::CribAbsent:
        return noKeyText(known, crib);
    case AttackProblem::NotFound:
        return QStringLiteral("подходящий ключ не найден, но и не доказано, что его нет: поиск "
                              "остановился на своих пределах");
    }
    return QString();
}

QString shortLineWarning(const QString &howToGiveCrib)
{
    return QStringLiteral("Внимание: в строке мало букв, и ей подходит много разных текстов "
                          "почти одинаково — первый вариант лишь догадка. Если знаете слово "
                          "из текста (имя, дату, термин), %1.")
        .arg(howToGiveCrib);
}

QString searchOutcomeSentence(bool exhaustive)
{
    if (!exhaustive)
        return QStringLiteral(
            "Поиск остановлен досрочно: он проверил каждый класс остатков, но не каждую "
            "расстановку знаков, которая могла бы дать вариант лучше первого, — доказано "
            "только, что первый вариант лучший из найденных.");
    return QStringLiteral("Поиск доведён до конца: по его собственной оценке (по тройкам букв) "
                          "всё, что он не проверил, не обошло бы первый вариант даже в лучшем "
                          "случае.");
}

QString asSentence(const QString &text)
{
    if (text.isEmpty())
        return text;
    return text.left(1).toUpper() + text.mid(1) + QLatin1Char('.');
}

} // namespace analysis
