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
#include <QTextCodec>
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

struct Item
{
    const char *name;
    const char *what; // %1: the length of the unbroken line
    double goal;      // milliseconds, or MiB for the memory item
};

const std::vector<Item> items{
    {"startup", "construct and show the window, first paint", 100},
    {"open", "Open, 10 MiB of Russian text lines", 1500},
    {"encrypt", "Encrypt, last line of 1048576 chars with spaces", 500},
    {"open-unbroken", "Open, one line of %1 chars, no break", 1000},
    {"encrypt-unbroken", "Encrypt, last line of %1 chars, no break", 1000},
    {"save", "Save, last line of 1048576 chars", 200},
    {"memory", "peak memory of the process, Open 10 MiB", 300},
};

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

bool writeTestFiles(const QDir &dir, int unbrokenChars)
{
    std::mt19937 random(20240531u);
    return writeWindows1251(dir.filePath("russian-10mib.txt"),
                            prose(random, bigFileBytes, QStringLiteral("\r\n"))) &&
           writeWindows1251(dir.filePath("ordinary-line.txt"), prose(random, bigLineChars, {})) &&
           writeWindows1251(dir.filePath("unbroken-line.txt"), unbrokenLine(unbrokenChars));
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

Timing measure(const QString &item, const QDir &dir)
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
    if (item == QLatin1String("open-unbroken"))
        return open(window, dir.filePath("unbroken-line.txt"));
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
        dir.filePath(item == QLatin1String("encrypt") ? "ordinary-line.txt" : "unbroken-line.txt");
    const Timing opened = open(window, path);
    if (!opened.failure.isEmpty())
        return opened;
    const int chars = int(QFileInfo(path).size());
    return checked(timeCommand(window, "action_9",
                               answer::keyAccept(QStringLiteral("5"), QStringLiteral("3"),
                                                 QStringLiteral("7"))),
                   window, 2 * chars + 1, 2);
}

int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString item = QString::fromLocal8Bit(argv[2]);
    const Timing timing = measure(item, QDir(QString::fromLocal8Bit(argv[3])));
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

bool runOnce(const QString &item, const QString &dir, Sample &sample)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORMTHEME"), QString());
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), item, dir});
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

int runParent(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    int unbrokenChars = bigLineChars;
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
                                 "encrypt open-unbroken encrypt-unbroken save memory\n");
            return 2;
        }
    }

    QTemporaryDir temporary;
    const QString dir = dirOption.isEmpty() ? temporary.path() : dirOption;
    if (!QDir().mkpath(dir) || !writeTestFiles(QDir(dir), unbrokenChars)) {
        std::fprintf(stderr, "cannot write the test files into %s\n", qPrintable(dir));
        return 1;
    }

    std::printf("gui_bench: median of %d runs, each in a fresh process, offscreen\n\n", runs);
    std::printf("| item | what | median | min | max | whole text laid out | goal | |\n");
    std::printf("| --- | --- | ---: | ---: | ---: | ---: | ---: | --- |\n");
    bool allMet = true;
    for (const Item &item : items) {
        if (!only.isEmpty() && !only.contains(QLatin1String(item.name)))
            continue;
        const bool memory = qstrcmp(item.name, "memory") == 0;
        const char *unit = memory ? "MiB" : "ms";
        const QString what = QString::fromLatin1(item.what).replace(QLatin1String("%1"),
                                                                    QString::number(unbrokenChars));
        std::vector<double> values;
        std::vector<double> laidOut;
        for (int run = 0; run < runs; ++run) {
            Sample sample;
            if (!runOnce(QLatin1String(item.name), dir, sample))
                break;
            values.push_back(memory ? sample.peakMib : sample.shownMs);
            laidOut.push_back(sample.laidOutMs);
        }
        if (int(values.size()) < runs) {
            std::printf("| %s | %s | failed in run %d | | | | | |\n", item.name, qPrintable(what),
                        int(values.size()) + 1);
            allMet = false;
            continue;
        }
        const double middle = median(values);
        allMet = allMet && middle < item.goal;
        const QString wholeText =
            memory ? QString() : QString::asprintf("%.0f ms", median(laidOut));
        std::printf("| %s | %s | %.0f %s | %.0f %s | %.0f %s | %s | < %.0f %s | %s |\n", item.name,
                    qPrintable(what), middle, unit, *std::min_element(values.begin(), values.end()),
                    unit, *std::max_element(values.begin(), values.end()), unit,
                    qPrintable(wholeText), item.goal, unit, middle < item.goal ? "met" : "MISSED");
        std::fflush(stdout);
    }
    return allMet ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 4 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    return runParent(argc, argv);
}
