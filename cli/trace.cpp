// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "trace.h"

#include "gammatrace.h"
#include "generatorcycle.h"
#include "input.h"
#include "linesplitter.h"
#include "messages.h"
#include "outputsink.h"
#include "stdstreams.h"
#include "utf8.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <unistd.h>

namespace cli {

namespace {

// The line to trace is held as its UTF-8 bytes, in blocks that each end at a character
// boundary and so decode on their own. Its UTF-16 form would take twice the room, and its
// rows some fifty bytes a character.
using LineBlocks = std::vector<QByteArray>;

constexpr int blockBytes = 1024 * 1024;

// The first line of standard input: up to its first LF or CR.
bool readFirstLine(LineBlocks &blocks)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        printError(QStringLiteral("не удалось открыть стандартный ввод: %1")
                       .arg(standardStreamFailure(STDIN_FILENO, errno)));
        return false;
    }
    std::vector<char> chunk(blockBytes);
    QByteArray block;
    qint64 lineBytes = 0;
    for (;;) {
        const qint64 got = input.read(chunk.data(), blockBytes);
        if (got < 0) {
            printError(QStringLiteral("не удалось прочитать стандартный ввод: %1")
                           .arg(standardStreamFailure(STDIN_FILENO, errno)));
            return false;
        }
        const char *lineBreak = findLineBreak(chunk.data(), chunk.data() + got);
        const qint64 taken = lineBreak ? lineBreak - chunk.data() : got;
        lineBytes += taken;
        if (lineBytes > longestLine) {
            printError(QStringLiteral("стандартный ввод: строка длиннее %1 МиБ; такие строки не "
                                      "обрабатываются")
                           .arg(longestLine / (1024 * 1024)));
            return false;
        }
        block.append(chunk.data(), int(taken));
        if (lineBreak || got == 0) {
            blocks.push_back(block);
            return true;
        }
        if (block.size() >= blockBytes) {
            const auto whole = int(utf8CompletePrefix(block.constData(), block.size()));
            blocks.push_back(block.left(whole));
            block = block.mid(whole);
        }
    }
}

// Checks the line as strict UTF-8, like the cipher's input, and counts its UTF-16 units,
// the trace's positions. Returns -1 after reporting the first invalid byte.
qint64 countUnits(const LineBlocks &blocks, const QString &source)
{
    QString piece;
    qint64 offset = 0;
    qint64 units = 0;
    for (const QByteArray &block : blocks) {
        const qint64 bad = decodeUtf8(block.constData(), block.size(), piece);
        if (bad >= 0) {
            printError(QStringLiteral("%1 — не UTF-8: байт 0x%2 со смещением %3 от начала не "
                                      "начинает допустимую последовательность UTF-8")
                           .arg(source)
                           .arg(uchar(block.at(int(bad))), 2, 16, QLatin1Char('0'))
                           .arg(offset + bad));
            return -1;
        }
        units += piece.size();
        offset += block.size();
    }
    return units;
}

// One cell of a row: UTF-8 bytes, and how many characters wide they show.
struct Cell
{
    char text[32]; // room for the longest heading
    int bytes = 0;
    int width = 0;
};

Cell numberCell(qint64 number)
{
    Cell cell;
    cell.bytes =
        int(std::to_chars(cell.text, cell.text + sizeof cell.text, number).ptr - cell.text);
    cell.width = cell.bytes;
    return cell;
}

Cell codeCell(int code)
{
    return code < 0 ? Cell{"-", 1, 1} : numberCell(code);
}

// Control characters and separators would break the rows or vanish on screen, so they are
// shown by their code point. The table shows the space, which the alphabet enciphers like a
// letter, as a visible mark.
Cell characterCell(char32_t character, ReportFormat format)
{
    if (character == U' ')
        return format == ReportFormat::Table ? Cell{"␣", 3, 1} : Cell{" ", 1, 1};
    const QChar::Category category = QChar::category(uint(character));
    const bool separator = category == QChar::Separator_Space ||
                           category == QChar::Separator_Line ||
                           category == QChar::Separator_Paragraph;
    Cell cell;
    if (!QChar::isPrint(uint(character)) || separator) {
        cell.bytes = std::snprintf(cell.text, sizeof cell.text, "U+%04X", unsigned(character));
        cell.width = cell.bytes;
        return cell;
    }
    auto *out = reinterpret_cast<uchar *>(cell.text);
    if (character < 0x80) {
        out[0] = uchar(character);
        cell.bytes = 1;
    } else if (character < 0x800) {
        out[0] = uchar(0xC0 | (character >> 6));
        out[1] = uchar(0x80 | (character & 0x3F));
        cell.bytes = 2;
    } else if (character < 0x10000) {
        out[0] = uchar(0xE0 | (character >> 12));
        out[1] = uchar(0x80 | ((character >> 6) & 0x3F));
        out[2] = uchar(0x80 | (character & 0x3F));
        cell.bytes = 3;
    } else {
        out[0] = uchar(0xF0 | (character >> 18));
        out[1] = uchar(0x80 | ((character >> 12) & 0x3F));
        out[2] = uchar(0x80 | ((character >> 6) & 0x3F));
        out[3] = uchar(0x80 | (character & 0x3F));
        cell.bytes = 4;
    }
    cell.width = 1;
    return cell;
}

constexpr int columnCount = 7;

struct Column
{
    const char *tableHeading;
    const char *tsvHeading;
    bool characters; // read best on the left; numbers line up on the right
};

constexpr Column columns[columnCount] = {{"позиция", "position", false},
                                         {"символ", "character", true},
                                         {"код", "code", false},
                                         {"T(i)", "T", false},
                                         {"g(i)", "g", false},
                                         {"код результата", "result_code", false},
                                         {"результат", "result_character", true}};

// The rows' layout. The table's column widths are known before the first row: positions
// run up to the line's length, T(0) is the key's T0, every later value lies in -31..31,
// and no code or character cell is wider than its heading.
class RowLayout
{
public:
    RowLayout(ReportFormat format, qint64 units, qint32 t0) : format(format)
    {
        if (format == ReportFormat::Tsv)
            return;
        for (int i = 0; i < columnCount; ++i)
            widths[i] = QString::fromUtf8(columns[i].tableHeading).size();
        if (units > 0) {
            widths[0] = std::max(widths[0], numberCell(units - 1).width);
            widths[3] = std::max(widths[3], numberCell(t0).width);
        }
        widths[columnCount - 1] = 0; // a line ends without padding
    }

    // A line of seven cells, their padding and separators: never near this long.
    struct Line
    {
        char text[512];
        qint64 size = 0;
    };

    void header(Line &out) const
    {
        Cell cells[columnCount];
        for (int i = 0; i < columnCount; ++i) {
            const char *heading =
                format == ReportFormat::Table ? columns[i].tableHeading : columns[i].tsvHeading;
            cells[i].bytes = int(std::strlen(heading));
            std::memcpy(cells[i].text, heading, size_t(cells[i].bytes));
            cells[i].width = QString::fromUtf8(heading).size();
        }
        fill(out, cells);
    }

    void row(Line &out, const TraceRow &row) const
    {
        const Cell cells[columnCount] = {numberCell(row.position),
                                         characterCell(row.character, format),
                                         codeCell(row.code),
                                         numberCell(row.value),
                                         numberCell(row.gamma),
                                         codeCell(row.resultCode),
                                         characterCell(row.result, format)};
        fill(out, cells);
    }

private:
    void fill(Line &out, const Cell (&cells)[columnCount]) const
    {
        char *end = out.text;
        const auto pad = [&end](int count) {
            std::memset(end, ' ', size_t(count));
            end += count;
        };
        for (int i = 0; i < columnCount; ++i) {
            if (i > 0 && format == ReportFormat::Table)
                pad(2);
            else if (i > 0)
                *end++ = '\t';
            const int padding = std::max(0, widths[i] - cells[i].width);
            if (!columns[i].characters)
                pad(padding);
            std::memcpy(end, cells[i].text, size_t(cells[i].bytes));
            end += cells[i].bytes;
            if (columns[i].characters)
                pad(padding);
        }
        *end++ = '\n';
        out.size = end - out.text;
    }

    ReportFormat format;
    int widths[columnCount] = {}; // none for tsv
};

QString cycleSentence(const GeneratorCycle &cycle)
{
    return QStringLiteral("Цикл датчика: μ = %1, λ = %2. Значение T(μ) = %3 впервые повторяется "
                          "на позиции μ + λ = %4, и дальше значения T(i) идут по кругу с "
                          "периодом λ.\n")
        .arg(cycle.mu)
        .arg(cycle.lambda)
        .arg(cycle.value)
        .arg(cycle.mu + cycle.lambda);
}

QString cycleLines(const GeneratorCycle &cycle, ReportFormat format)
{
    if (format == ReportFormat::Tsv)
        return QStringLiteral("mu\t%1\nlambda\t%2\n").arg(cycle.mu).arg(cycle.lambda);
    return QLatin1Char('\n') + cycleSentence(cycle);
}

// The rows of each block are written before the next block is decoded; the walker goes on
// from block to block.
bool writeTrace(const LineBlocks &blocks, qint64 units, const Options &options, OutputSink &sink)
{
    const GammaKey &key = options.key;
    const RowLayout layout(options.format, units, key.t0);
    RowLayout::Line line;
    layout.header(line);
    if (!sink.write(line.text, line.size))
        return false;
    QString piece;
    TraceWalker walker(key);
    for (const QByteArray &block : blocks) {
        decodeUtf8(block.constData(), block.size(), piece);
        // A character past the first plane is one row; the block holds both its halves.
        for (int i = 0; i < piece.size(); ++i) {
            const bool pair = piece.at(i).isHighSurrogate() && i + 1 < piece.size();
            const char32_t character =
                pair ? QChar::surrogateToUcs4(piece.at(i), piece.at(i + 1)) : piece.at(i).unicode();
            i += int(pair);
            layout.row(line, walker.step(character));
            if (!sink.write(line.text, line.size))
                return false;
        }
    }
    return sink.write(cycleLines(generatorCycle(key), options.format).toUtf8());
}

} // namespace

int runTrace(const Options &options)
{
    LineBlocks blocks;
    QString source;
    if (options.traceText) {
        blocks.push_back(*options.traceText);
        source = QStringLiteral("аргумент ТЕКСТ");
    } else {
        if (!readFirstLine(blocks))
            return exitInputOutputError;
        source = QStringLiteral("стандартный ввод");
    }
    const qint64 units = countUnits(blocks, source);
    if (units < 0)
        return exitInputOutputError;

    OutputSink sink;
    if (!sink.open(QString()) || !writeTrace(blocks, units, options, sink) || !sink.finish()) {
        printError(sink.failure());
        return exitInputOutputError;
    }
    return exitSuccess;
}

} // namespace cli
