// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "benchtexts.h"

#include "alphabet.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <random>

namespace bench {

namespace {

QByteArray readGzip(const QString &path)
{
    const std::unique_ptr<gzFile_s, int (*)(gzFile)> file(
        gzopen(QFile::encodeName(path).constData(), "rb"), gzclose);
    if (!file)
        return {};
    QByteArray bytes;
    char buffer[65536];
    int read = 0;
    while ((read = gzread(file.get(), buffer, sizeof buffer)) > 0)
        bytes.append(buffer, read);
    return read < 0 ? QByteArray() : bytes;
}

QString collapsed(const QString &text)
{
    return text.simplified();
}

// A fortune file: sayings between "%" lines, each but its attribution ("-- Author").
QStringList fortunePassages(const QString &folder)
{
    QStringList passages;
    QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String(".dat")) || name.endsWith(QLatin1String(".u8")))
            continue;
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QString passage;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QString trimmed = line.trimmed();
            if (trimmed == QLatin1String("%") || trimmed.startsWith(QLatin1String("--")) ||
                trimmed.startsWith(QChar(0x2014)))
                continue;
            passage += QLatin1Char(' ') + trimmed;
        }
        if (!collapsed(passage).isEmpty())
            passages << collapsed(passage);
    }
    return passages;
}

// The visible text of one line of a manual page's source: fonts, zero-width marks and
// named characters out, the common escapes as the reader sees them.
QString groffText(QString line)
{
    static const QRegularExpression comment(QStringLiteral(R"(\\".*$)"));
    static const QRegularExpression font(QStringLiteral(R"(\\f(\[[^\]]*\]|\(..|.))"));
    static const QRegularExpression named(QStringLiteral(R"(\\(\(..|\[[^\]]*\]|\*(\(..|.)))"));
    static const QRegularExpression zeroWidth(QStringLiteral(R"(\\[,/&:%|^])"));
    line.remove(comment).remove(font).remove(zeroWidth);
    line.replace(QLatin1String("\\-"), QLatin1String("-"))
        .replace(QLatin1String("\\(em"), QString(QChar(0x2014)))
        .replace(QLatin1String("\\(en"), QString(QChar(0x2013)))
        .replace(QLatin1String("\\ "), QLatin1String(" "))
        .replace(QLatin1String("\\~"), QLatin1String(" "))
        .replace(QLatin1String("\\e"), QLatin1String("\\"));
    return line.remove(named);
}

// A manual page's paragraphs. Font macros (.B, .IR, ...) stay inside the sentence they
// mark; every other request ends a paragraph, and no-fill blocks (examples, code) are
// left out.
QStringList manualPassages(const QString &page)
{
    static const QRegularExpression inlineMacro(
        QStringLiteral(R"(^\.(B|I|BR|RB|IR|RI|BI|IB|SM|SB)\s)"));
    QStringList passages;
    QString passage;
    bool noFill = false;
    const auto endPassage = [&] {
        if (!collapsed(passage).isEmpty())
            passages << collapsed(passage);
        passage.clear();
    };
    for (const QString &line : page.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".nf")) || line.startsWith(QLatin1String(".EX"))) {
            endPassage();
            noFill = true;
        } else if (line.startsWith(QLatin1String(".fi")) || line.startsWith(QLatin1String(".EE"))) {
            noFill = false;
        } else if (noFill) {
            continue;
        } else if (inlineMacro.match(line).hasMatch()) {
            passage +=
                QLatin1Char(' ') +
                groffText(line.mid(line.indexOf(QLatin1Char(' ')) + 1)).remove(QLatin1Char('"'));
        } else if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\''))) {
            endPassage();
        } else {
            passage += QLatin1Char(' ') + groffText(line);
        }
    }
    endPassage();
    return passages;
}

QStringList manualPagesPassages(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.gz")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    std::sort(files.begin(), files.end()); // the same order on every machine
    QStringList passages;
    for (const QString &path : files)
        passages += manualPassages(QString::fromUtf8(readGzip(path)));
    return passages;
}

// Running text, not a table of codes: at least 4 characters in 5 the alphabet's, at most 1
// in 20 a digit.
bool mostlyAlphabet(const QString &line)
{
    const auto inAlphabet = std::count_if(line.begin(), line.end(),
                                          [](QChar ch) { return lookupCode(ch).has_value(); });
    const auto digits =
        std::count_if(line.begin(), line.end(), [](QChar ch) { return ch.isDigit(); });
    return 5 * inAlphabet >= 4 * line.size() && 20 * digits <= line.size();
}

} // namespace

GenreSource genreSource(Genre genre)
{
    if (genre == Genre::Literature)
        return {QStringLiteral("literature"), QStringLiteral("fortunes-ru"),
                QStringLiteral("/usr/share/games/fortunes/ru")};
    return {QStringLiteral("technical"), QStringLiteral("manpages-ru"),
            QStringLiteral("/usr/share/man/ru")};
}

std::optional<Genre> genreNamed(const QString &name)
{
    for (const Genre genre : {Genre::Literature, Genre::Technical}) {
        if (genreSource(genre).name == name)
            return genre;
    }
    return std::nullopt;
}

QStringList genrePassages(Genre genre)
{
    const QString folder = genreSource(genre).folder;
    if (!QDir(folder).exists())
        return {};
    return genre == Genre::Literature ? fortunePassages(folder) : manualPagesPassages(folder);
}

QStringList benchLines(const QStringList &passages, int length, int count, quint32 seed)
{
    const int shortest = length - length / 5;
    const int longest = length + length / 5;
    QStringList lines;
    for (const QString &passage : passages) {
        const QStringList words = passage.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QString line;
        for (const QString &word : words) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > longest) {
                if (line.size() >= shortest && line.size() <= longest && mostlyAlphabet(line))
                    lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        if (line.size() >= shortest && line.size() <= longest && mostlyAlphabet(line))
            lines << line;
    }
    std::mt19937 random(seed);
    std::shuffle(lines.begin(), lines.end(), random);
    return lines.mid(0, count);
}

} // namespace bench
