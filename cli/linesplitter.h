// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_CLI_LINESPLITTER_H
#define GAMMACRYPT_CLI_LINESPLITTER_H

#include <QtGlobal>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace cli {

enum class LineEnd { None, Lf, CrLf, Cr };

// The bytes of a line end; the same in UTF-8 and in Windows-1251.
inline const char *lineEndBytes(LineEnd end)
{
    switch (end) {
    case LineEnd::Lf:
        return "\n";
    case LineEnd::CrLf:
        return "\r\n";
    case LineEnd::Cr:
        return "\r";
    case LineEnd::None:
        break;
    }
    return "";
}

inline const char *findLineBreak(const char *from, const char *to)
{
    const auto *lf = static_cast<const char *>(std::memchr(from, '\n', size_t(to - from)));
    const char *crLimit = lf ? lf : to;
    const auto *cr = static_cast<const char *>(std::memchr(from, '\r', size_t(crLimit - from)));
    return cr ? cr : lf;
}

inline const char16_t *findLineBreak(const char16_t *from, const char16_t *to)
{
    for (; from < to; ++from) {
        if (*from == u'\n' || *from == u'\r')
            return from;
    }
    return nullptr;
}

// Cuts a stream of code units (bytes, or UTF-16 units) into lines at LF, CR LF and a lone
// CR, holding only the current line and one chunk, and refuses a line longer than
// longestLine units: memory stays within that bound however long the stream or its lines.
// A CR at the end of a chunk waits for the next chunk before it is judged lone or part of
// CR LF.
template <typename Unit> class LineSplitter
{
public:
    // Fills dest with up to max units: returns how many, 0 at the end, -1 on a read error.
    using Reader = std::function<qint64(Unit *dest, qint64 max)>;

    struct Line
    {
        const Unit *data = nullptr; // valid until the next call of next()
        qint64 size = 0;
        LineEnd end = LineEnd::None;
        qint64 offset = 0; // of the line's first unit from the start of the stream
        qint64 number = 0; // counted from 1
    };

    enum class Status { Line, End, ReadError, TooLong };

    LineSplitter(Reader reader, qint64 chunkSize, qint64 longestLine)
        : read(std::move(reader)), buffer(size_t(chunkSize)), longest(longestLine)
    {
    }

    Status next(Line &line)
    {
        for (;;) {
            const Unit *base = buffer.data();
            const Unit *hit = findLineBreak(base + scanned, base + end);
            const bool crMayStartCrLf = hit && *hit == Unit('\r') && hit + 1 == base + end;
            scanned = hit ? hit - base : end;
            // The one place where the length is judged: whatever the source and however
            // much a read brought, a line is refused once more of it than the longest is seen.
            if (scanned - begin > longest) {
                line =
                    Line{nullptr, scanned - begin, LineEnd::None, consumed + begin, lineCount + 1};
                return Status::TooLong;
            }
            if (hit && !(crMayStartCrLf && !atEnd)) {
                cutLine(line, hit - base);
                return Status::Line;
            }
            if (!hit && atEnd) {
                if (begin == end)
                    return Status::End;
                line =
                    Line{base + begin, end - begin, LineEnd::None, consumed + begin, ++lineCount};
                begin = scanned = end;
                return Status::Line;
            }
            if (!fill())
                return Status::ReadError;
        }
    }

private:
    void cutLine(Line &line, qint64 breakAt)
    {
        const Unit *base = buffer.data();
        LineEnd kind = LineEnd::Lf;
        qint64 width = 1;
        if (base[breakAt] == Unit('\r')) {
            const bool crLf = breakAt + 1 < end && base[breakAt + 1] == Unit('\n');
            kind = crLf ? LineEnd::CrLf : LineEnd::Cr;
            width = crLf ? 2 : 1;
        }
        line = Line{base + begin, breakAt - begin, kind, consumed + begin, ++lineCount};
        begin = scanned = breakAt + width;
    }

    bool fill()
    {
        if (end == qint64(buffer.size())) {
            if (begin > 0)
                compact();
            else
                grow();
        }
        const qint64 got = read(buffer.data() + end, qint64(buffer.size()) - end);
        if (got < 0)
            return false;
        if (got == 0)
            atEnd = true;
        end += got;
        return true;
    }

    // For a line longer than the buffer: never beyond the longest line and its CR LF, since a
    // line that needs more is refused first.
    void grow()
    {
        const auto size = size_t(std::min(2 * qint64(buffer.size()), longest + 2));
        buffer.reserve(size); // exactly: resize() alone might double the capacity again
        buffer.resize(size);
    }

    // Moves the unfinished line to the front, so that the next read can follow it.
    void compact()
    {
        std::memmove(buffer.data(), buffer.data() + begin, size_t(end - begin) * sizeof(Unit));
        consumed += begin;
        scanned -= begin;
        end -= begin;
        begin = 0;
    }

    Reader read;
    std::vector<Unit> buffer;
    qint64 longest;
    qint64 begin = 0;    // start of the current line in buffer
    qint64 scanned = 0;  // where the search for the next line break goes on
    qint64 end = 0;      // end of the data read so far
    qint64 consumed = 0; // units dropped from the front of buffer by compact()
    qint64 lineCount = 0;
    bool atEnd = false;
};

} // namespace cli

#endif // GAMMACRYPT_CLI_LINESPLITTER_H
