// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// gui_bench: how the real main window copes with big texts, driven offscreen.
//
//   gui_bench [--runs N] [--only item,item,...] [--unbroken-chars N] [--dir DIR]
//
// Every sample runs in a fresh process (this program again, with --child), so that one
// measurement never warms the caches of the next and the peak memory of the process belongs
// to that one command; the parent prints the median of the runs of each item.
//
// A command is timed from triggering its action (its dialogs answered by the benchmark) until
// the window has repainted with the result and takes input again. The editing area lays out
// the rest of a long text bit by bit from the event loop after that; the column "whole text
// laid out" times until that is finished too.

#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int bigLineChars = 1048576;
constexpr int bigFileBytes = 10 * 1024 * 1024;
constexpr int mebi = 1024 * 1024;
constexpr int keystrokes = 40;
constexpr int keystrokesInLongLine = 3;

struct Item
{
    QString name;
    QString what;
    double goal;   // milliseconds, or MiB for the memory items
    int chars = 0; // the length of the unbroken line the item works with, if any
};

// unbrokenChars, when given, is the one length of every unbroken line; otherwise Open is
// measured at three lengths, to show how its time grows.
std::vector<Item> itemsFor(int unbrokenChars)
{
    const std::vector<int> openLengths = unbrokenChars
                                             ? std::vector<int>{unbrokenChars}
                                             : std::vector<int>{2 * mebi, 8 * mebi, 16 * mebi};
    const int encryptLength = unbrokenChars ? unbrokenChars : bigLineChars;
    const int besideLength = unbrokenChars ? unbrokenChars : 16 * mebi;
    const int refusedLength = 64 * mebi; // the largest file Open reads
    std::vector<Item> items{
        {"startup", "construct and show the window, first paint", 100},
        {"open", "Open, 10 MiB of Russian text lines", 1500},
        {"encrypt", "Encrypt, last line of 1048576 chars with spaces", 500},
    };
    for (const int chars : openLengths)
        items.push_back({"open-unbroken",
                         QStringLiteral("Open, one line of %1 chars, no break").arg(chars),
                         1000.0 * chars / bigLineChars, chars});
    items.push_back({"encrypt-unbroken",
                     QStringLiteral("Encrypt, last line of %1 chars, no break").arg(encryptLength),
                     1000, encryptLength});
    items.push_back(
        {"type-small", QStringLiteral("typing, per key, in a document of a few short lines"), 50});
    items.push_back({"type-beside-unbroken",
                     QStringLiteral("typing, per key, in a short line after one of %1 chars, "
                                    "no break")
                         .arg(besideLength),
                     50, besideLength});
    items.push_back({"type-above-unbroken",
                     QStringLiteral("the same, in a short line before that line"), 50,
                     besideLength});
    // Qt lays the whole paragraph out again on every edit inside it: as long as Open takes.
    items.push_back({"type-in-unbroken",
                     QStringLiteral("typing, per key, at the end of that line (%1 keys)")
                         .arg(keystrokesInLongLine),
                     1000.0 * besideLength / bigLineChars, besideLength});
    items.push_back(
        {"open-too-long",
         QStringLiteral("Open refused, one line of %1 chars, no break").arg(refusedLength), 1000,
         refusedLength});
    items.push_back({"save", "Save, last line of 1048576 chars", 200});
    items.push_back({"memory", "peak memory of the process, Open 10 MiB", 300});
    items.push_back({"memory-unbroken",
                     QStringLiteral("peak memory of the process, Open of one line of %1 chars")
                         .arg(besideLength),
                     2048, besideLength});
    return items;
}

// ---- the test files ------------------------------------------------------------------------

// Ordinary Russian prose: sentences of 6 to 15 words of the list, a comma now and then.
QString prose(std::mt19937 &random, int chars, const QString &lineEnd)
{
    static const QStringList words =
        QString::fromUtf8("шифрование методами перестановки и гаммирования текст ключ "
                          "последовательность датчик псевдослучайных чисел открытый закрытый "
                          "символ алфавит строка файл окно преподаватель студент курс "
                          "криптографии задача решение пример проверка результат сообщение "
                          "письмо Москва утро вечер работа книга")
            .split(QLatin1Char(' '));
    QString text;
    text.reserve(chars + 200);
    int lineStart = 0;
    while (text.size() < chars) {
        QString sentence;
        for (int word = 6 + int(random() % 10); word > 0; --word)
            sentence += words.at(int(random() % words.size())) +
                        QLatin1String(random() % 7 == 0 ? ", " : " ");
        sentence[0] = sentence[0].toUpper();
        sentence.chop(sentence.endsWith(QLatin1String(", ")) ? 2 : 1);
        text += sentence + QLatin1Char('.');
        const bool endLine = !lineEnd.isEmpty() && text.size() - lineStart >= 60;
        text += endLine ? lineEnd : QStringLiteral(" ");
        if (endLine)
            lineStart = text.size();
    }
    text.truncate(chars - lineEnd.size());
    return text + lineEnd;
}

// Letters and digits: no break opportunity inside, and the cipher copies them unchanged,
// so the encrypted line has none either.
QString unbrokenLine(int chars)
{
    return QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")
        .repeated(chars / 62 + 1)
        .left(chars);
}

bool writeWindows1251(const QString &path, const QString &text)
{
    QFile file(path);
    const QByteArray bytes = QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString unbrokenFile(int chars)
{
    return QStringLiteral("unbroken-%1.txt").arg(chars);
}

QString besideUnbrokenFile(int chars)
{
    return QStringLiteral("beside-unbroken-%1.txt").arg(chars);
}

// A few short lines to type in, alone, and the same lines before and after an unbroken line.
QString shortLines()
{
    return QString::fromUtf8("Гаммирование.\r\nКлюч из трёх чисел.\r\nТекст.");
}

bool writeTestFiles(const QDir &dir, const std::vector<Item> &items)
{
    std::mt19937 random(20240531u);
    bool written =
        writeWindows1251(dir.filePath("russian-10mib.txt"),
                         prose(random, bigFileBytes, QStringLiteral("\r\n"))) &&
        writeWindows1251(dir.filePath("ordinary-line.txt"), prose(random, bigLineChars, {})) &&
        writeWindows1251(dir.filePath("short-lines.txt"), shortLines());
    for (const Item &item : items) {
        if (item.chars == 0 || !written)
            continue;
        const QString line = unbrokenLine(item.chars);
        written = (dir.exists(unbrokenFile(item.chars)) ||
                   writeWindows1251(dir.filePath(unbrokenFile(item.chars)), line)) &&
                  (!item.name.startsWith(QLatin1String("type-")) ||
                   writeWindows1251(dir.filePath(besideUnbrokenFile(item.chars)),
                                    shortLines() + QStringLiteral("\r\n") + line +
                                        QStringLiteral("\r\n") + shortLines()));
    }
    return written;
}

// ---- one measurement, in a child process ---------------------------------------------------

struct Timing
{
    double shownMs = 0;   // the command has returned and the window has repainted
    double laidOutMs = 0; // ... and the whole text is laid out
    QString failure;      // empty when the command did what it should
};

QTextEdit *editor(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

// Shows the window and returns once its first paint is done.
bool showAndWaitForFirstPaint(MainWindow &window)
{
    struct PaintWatcher : QObject
    {
        QEventLoop loop;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                QTimer::singleShot(0, &loop, &QEventLoop::quit);
            return false;
        }
    } watcher;
    editor(window)->viewport()->installEventFilter(&watcher);
    QTimer::singleShot(30000, &watcher.loop, [&watcher] { watcher.loop.exit(1); });
    window.show();
    const bool painted = watcher.loop.exec() == 0;
    editor(window)->viewport()->removeEventFilter(&watcher);
    return painted;
}

// Runs a command, its modal dialogs answered, and times it until the window is at rest:
// first until it has repainted, then until the editing area, which lays a long text out bit
// by bit from the event loop, has laid out all of it (documentSize finishes that at once).
Timing timeCommand(MainWindow &window, const char *action, ModalAnswerer::Answer answer)
{
    ModalAnswerer answerer;
    answerer.expect(std::move(answer));
    QElapsedTimer clock;
    clock.start();
    window.findChild<QAction *>(QLatin1String(action))->trigger();
    Timing timing;
    QApplication::processEvents();
    timing.shownMs = clock.nsecsElapsed() / 1e6;
    editor(window)->document()->documentLayout()->documentSize();
    QApplication::processEvents();
    timing.laidOutMs = clock.nsecsElapsed() / 1e6;
    if (!answerer.problems().isEmpty() || answerer.pending() != 0)
        timing.failure = answerer.problems().join(QStringLiteral("; ")) +
                         QStringLiteral(" pending answers: %1").arg(answerer.pending());
    return timing;
}

// The editing area must hold what the command should have produced, or the figure would
// time a command that did nothing. The file's CR LF pairs end paragraphs.
Timing checked(Timing timing, MainWindow &window, int expectedChars, int expectedBlocks)
{
    const QTextDocument *document = editor(window)->document();
    const int chars = document->characterCount() - 1; // without the closing separator
    if (timing.failure.isEmpty() &&
        (chars != expectedChars || document->blockCount() != expectedBlocks))
        timing.failure = QStringLiteral("the editing area holds %1 characters in %2 paragraphs, "
                                        "expected %3 in %4")
                             .arg(chars)
                             .arg(document->blockCount())
                             .arg(expectedChars)
                             .arg(expectedBlocks);
    return timing;
}

Timing open(MainWindow &window, const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll(); // one byte a character in Windows-1251
    const int lineEnds = int(bytes.count('\n'));
    return checked(timeCommand(window, "action_2", answer::chooseFile(path)), window,
                   bytes.size() - lineEnds, lineEnds + 1);
}

// Types keystrokes at the end of the first or the last paragraph of the opened file, as a user
// would, each timed until the window has repainted; the mean of them.
Timing typeInParagraph(MainWindow &window, const QString &path, bool last, int keys = keystrokes)
{
    const Timing opened = open(window, path);
    if (!opened.failure.isEmpty())
        return opened;
    QTextEdit *edit = editor(window);
    QTextDocument *document = edit->document();
    document->documentLayout()->documentSize(); // nothing left to lay out from the event loop
    QTextCursor cursor(last ? document->lastBlock() : document->firstBlock());
    cursor.movePosition(QTextCursor::EndOfBlock);
    edit->setTextCursor(cursor);
    edit->setFocus();
    QApplication::processEvents();
    const int charsBefore = document->characterCount();
    const QString typed = QString::fromUtf8("гамма ");
    QElapsedTimer clock;
    clock.start();
    for (int key = 0; key < keys; ++key) {
        typeText(edit, typed.at(key % typed.size()));
        QApplication::processEvents();
    }
    const double ms = clock.nsecsElapsed() / 1e6 / keys;
    if (document->characterCount() != charsBefore + keys)
        return {0, 0,
                QStringLiteral("%1 characters typed, expected %2")
                    .arg(document->characterCount() - charsBefore)
                    .arg(keys)};
    return {ms, ms, {}};
}

// Open of a file whose line the window cannot show: timed until the refusal is on the screen.
Timing refusedOpen(MainWindow &window, const QString &path)
{
    ModalAnswerer answerer;
    answerer.expect(answer::chooseFile(path));
    QElapsedTimer clock;
    double ms = 0;
    answerer.expect([&clock, &ms](QWidget *box) {
        ms = clock.nsecsElapsed() / 1e6;
        answer::messageBoxOk()(box);
    });
    clock.start();
    window.findChild<QAction *>(QStringLiteral("action_2"))->trigger();
    if (!answerer.problems().isEmpty() || answerer.pending() != 0 ||
        !editor(window)->document()->isEmpty())
        return {0, 0, QStringLiteral("not refused: %1").arg(answerer.problems().join("; "))};
    return {ms, ms, {}};
}

Timing measure(const QString &item, const QDir &dir, int chars)
{
    QElapsedTimer clock;
    clock.start();
    MainWindow window;
    if (!showAndWaitForFirstPaint(window))
        return {0, 0, QStringLiteral("no paint within 30 s")};
    if (item == QLatin1String("startup")) {
        const double ms = clock.nsecsElapsed() / 1e6;
        return {ms, ms, {}};
    }
    if (item == QLatin1String("open") || item == QLatin1String("memory"))
        return open(window, dir.filePath("russian-10mib.txt"));
    if (item == QLatin1String("open-unbroken") || item == QLatin1String("memory-unbroken"))
        return open(window, dir.filePath(unbrokenFile(chars)));
    if (item == QLatin1String("type-small"))
        return typeInParagraph(window, dir.filePath("short-lines.txt"), false);
    if (item == QLatin1String("type-beside-unbroken") ||
        item == QLatin1String("type-above-unbroken"))
        return typeInParagraph(window, dir.filePath(besideUnbrokenFile(chars)),
                               item == QLatin1String("type-beside-unbroken"));
    if (item == QLatin1String("type-in-unbroken"))
        return typeInParagraph(window, dir.filePath(unbrokenFile(chars)), false,
                               keystrokesInLongLine);
    if (item == QLatin1String("open-too-long"))
        return refusedOpen(window, dir.filePath(unbrokenFile(chars)));
    if (item == QLatin1String("save")) {
        // Save writes to the opened file: a copy, emptied, keeps the test file as it is.
        const QString target = dir.filePath("saved-line.txt");
        QFile::remove(target);
        QFile::copy(dir.filePath("ordinary-line.txt"), target);
        Timing timing = open(window, target);
        if (!timing.failure.isEmpty())
            return timing;
        QFile::resize(target, 0);
        ModalAnswerer answerer; // Save asks nothing; anything that shows up is a failure
        clock.restart();
        window.findChild<QAction *>(QStringLiteral("action_3"))->trigger();
        const double ms = clock.nsecsElapsed() / 1e6;
        const qint64 saved = QFileInfo(target).size();
        if (saved != bigLineChars || !answerer.problems().isEmpty())
            return {0, 0,
                    QStringLiteral("Save wrote %1 bytes; %2")
                        .arg(saved)
                        .arg(answerer.problems().join("; "))};
        return {ms, ms, {}};
    }
    const QString path =
        dir.filePath(item == QLatin1String("encrypt") ? "ordinary-line.txt" : unbrokenFile(chars));
    const Timing opened = open(window, path);
    if (!opened.failure.isEmpty())
        return opened;
    const int lineChars = int(QFileInfo(path).size());
    return checked(timeCommand(window, "action_9",
                               answer::keyAccept(QStringLiteral("5"), QStringLiteral("3"),
                                                 QStringLiteral("7"))),
                   window, 2 * lineChars + 1, 2);
}

int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString item = QString::fromLocal8Bit(argv[2]);
    const Timing timing =
        measure(item, QDir(QString::fromLocal8Bit(argv[3])), QByteArray(argv[4]).toInt());
    if (!timing.failure.isEmpty()) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(item), qPrintable(timing.failure));
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("result %.3f %.3f %ld\n", timing.laidOutMs, timing.shownMs, usage.ru_maxrss);
    return 0;
}

// ---- the parent: runs the children and prints the table ------------------------------------

struct Sample
{
    double laidOutMs = 0;
    double shownMs = 0;
    double peakMib = 0;
};

bool runOnce(const Item &item, const QString &dir, Sample &sample)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QString());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), item.name, dir, QString::number(item.chars)});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        return false;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 4 || fields[0] != "result")
        return false;
    sample = {fields[1].toDouble(), fields[2].toDouble(), fields[3].toDouble() / 1024.0};
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Keystrokes take a few milliseconds: those figures keep a decimal.
QString figure(double value, const char *unit)
{
    return QString::asprintf(value < 1    ? "%.2f %s"
                             : value < 10 ? "%.1f %s"
                                          : "%.0f %s",
                             value, unit);
}

int runParent(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    int unbrokenChars = 0;
    QString dirOption;
    QStringList only;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); i += 2) {
        const QString &arg = args[i];
        const QString value = args.value(i + 1);
        if (arg == QLatin1String("--runs"))
            runs = std::max(1, value.toInt());
        else if (arg == QLatin1String("--only"))
            only = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (arg == QLatin1String("--unbroken-chars"))
            unbrokenChars = std::max(1, value.toInt());
        else if (arg == QLatin1String("--dir"))
            dirOption = value;
        else {
            std::fprintf(stderr, "usage: gui_bench [--runs N] [--only item,...] "
                                 "[--unbroken-chars N] [--dir DIR]\nitems: startup open "
                                 "encrypt open-unbroken encrypt-unbroken type-small "
                                 "type-beside-unbroken type-above-unbroken type-in-unbroken "
                                 "open-too-long save memory "
                                 "memory-unbroken\n");
            return 2;
        }
    }

    QTemporaryDir temporary;
    const QString dir = dirOption.isEmpty() ? temporary.path() : dirOption;
    std::vector<Item> items;
    for (const Item &item : itemsFor(unbrokenChars)) {
        if (only.isEmpty() || only.contains(item.name))
            items.push_back(item);
    }
    if (!QDir().mkpath(dir) || !writeTestFiles(QDir(dir), items)) {
        std::fprintf(stderr, "cannot write the test files into %s\n", qPrintable(dir));
        return 1;
    }

    std::printf("gui_bench: median of %d runs, each in a fresh process, offscreen\n\n", runs);
    std::printf("| item | what | median | min | max | whole text laid out | goal | |\n");
    std::printf("| --- | --- | ---: | ---: | ---: | ---: | ---: | --- |\n");
    bool allMet = true;
    for (const Item &item : items) {
        const bool memory = item.name.startsWith(QLatin1String("memory"));
        const char *unit = memory ? "MiB" : "ms";
        std::vector<double> values;
        std::vector<double> laidOut;
        for (int run = 0; run < runs; ++run) {
            Sample sample;
            if (!runOnce(item, dir, sample))
                break;
            values.push_back(memory ? sample.peakMib : sample.shownMs);
            laidOut.push_back(sample.laidOutMs);
        }
        if (int(values.size()) < runs) {
            std::printf("| %s | %s | failed in run %d | | | | | |\n", qPrintable(item.name),
                        qPrintable(item.what), int(values.size()) + 1);
            allMet = false;
            continue;
        }
        const double middle = median(values);
        allMet = allMet && middle < item.goal;
        const QString wholeText = memory ? QString() : figure(median(laidOut), "ms");
        std::printf("| %s | %s | %s | %s | %s | %s | < %.0f %s | %s |\n", qPrintable(item.name),
                    qPrintable(item.what), qPrintable(figure(middle, unit)),
                    qPrintable(figure(*std::min_element(values.begin(), values.end()), unit)),
                    qPrintable(figure(*std::max_element(values.begin(), values.end()), unit)),
                    qPrintable(wholeText), item.goal, unit, middle < item.goal ? "met" : "MISSED");
        std::fflush(stdout);
    }
    return allMet ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 5 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    return runParent(argc, argv);
}
