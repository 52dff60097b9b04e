// gui_bench: how the real main window copes with big texts, driven offscreen.
//
// Every sample runs in a fresh process (this program started again with --child), so that
// one measurement never warms the caches of the next and the peak memory of the process
// belongs to that one command. The parent prints the median of the runs of each item.
//
// A command is timed from triggering its action (its dialogs answered by the benchmark)
// until the window has repainted with the result and takes input again. The editing area
// lays out the rest of a long text bit by bit from the event loop after that; the column
// "whole text laid out" times until that is finished too.
//
//   gui_bench [--runs N] [--only item,item,...] [--unbroken-chars N] [--dir DIR]
//
// Items: startup, open, encrypt, open-unbroken, encrypt-unbroken, save, memory.

#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QTextCodec>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr int bigLineChars = 1048576;
constexpr qint64 bigFileBytes = 10 * 1024 * 1024;

const QString keyA = QStringLiteral("5");
const QString keyC = QStringLiteral("3");
const QString keyT0 = QStringLiteral("7");

// ---- test data --------------------------------------------------------------------------

const QStringList &russianWords()
{
    static const QStringList words =
        QString::fromUtf8("шифрование методами перестановки и гаммирования текст "
                          "ключ последовательность датчик псевдослучайных чисел "
                          "Открытый закрытый символ алфавит строка файл окно "
                          "преподаватель студент курс криптографии задача "
                          "решение пример проверка результат сообщение письмо "
                          "Москва утро вечер работа книга")
            .split(QLatin1Char(' '));
    return words;
}

// Ordinary Russian prose: words of the list, commas now and then, a full stop per sentence.
class ProseWriter
{
public:
    QString sentence()
    {
        QString text;
        const int words = 6 + int(random() % 10);
        for (int i = 0; i < words; ++i) {
            if (i > 0)
                text += (random() % 7 == 0) ? QStringLiteral(", ") : QStringLiteral(" ");
            text += russianWords().at(int(random() % russianWords().size()));
        }
        text[0] = text[0].toUpper();
        return text + QLatin1Char('.');
    }

    QString line(int chars)
    {
        QString text;
        text.reserve(chars + 200);
        while (text.size() < chars)
            text += sentence() + QLatin1Char(' ');
        text.truncate(chars);
        return text;
    }

private:
    std::mt19937 random{20240531u};
};

// Letters and digits only: the line-breaking rules give no break opportunity inside such a
// run, and the cipher copies every character of it unchanged, so its result is one too.
QString unbrokenLine(int chars)
{
    static const QString pattern =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString text(chars, Qt::Uninitialized);
    for (int i = 0; i < chars; ++i)
        text[i] = pattern.at(i % pattern.size());
    return text;
}

bool hasBreakOpportunityInside(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    const int next = finder.toNextBoundary();
    return next > 0 && next < text.size();
}

bool writeWindows1251(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
    return file.write(bytes) == bytes.size();
}

QString russianFile(const QString &dir)
{
    return dir + QStringLiteral("/russian-10mib.txt");
}
QString ordinaryLineFile(const QString &dir)
{
    return dir + QStringLiteral("/ordinary-line.txt");
}
QString unbrokenLineFile(const QString &dir)
{
    return dir + QStringLiteral("/unbroken-line.txt");
}
QString saveTarget(const QString &dir)
{
    return dir + QStringLiteral("/saved-line.txt");
}

bool writeTestFiles(const QString &dir, int unbrokenChars)
{
    ProseWriter prose;
    QString lines;
    lines.reserve(int(bigFileBytes) + 200);
    while (lines.size() < bigFileBytes) {
        QString line = prose.sentence();
        while (line.size() < 60)
            line += QLatin1Char(' ') + prose.sentence();
        lines += line + QStringLiteral("\r\n");
    }
    lines.truncate(int(bigFileBytes) - 2);
    lines += QStringLiteral("\r\n");

    const QString unbroken = unbrokenLine(unbrokenChars);
    if (hasBreakOpportunityInside(unbroken)) {
        std::fprintf(stderr, "the unbroken test line has a break opportunity\n");
        return false;
    }
    return writeWindows1251(russianFile(dir), lines) &&
           writeWindows1251(ordinaryLineFile(dir), prose.line(bigLineChars)) &&
           writeWindows1251(unbrokenLineFile(dir), unbroken);
}

// ---- one measurement, in a child process ------------------------------------------------

long peakRssKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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
    auto *edit = window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    edit->viewport()->installEventFilter(&watcher);
    QTimer::singleShot(30000, &watcher.loop, [&watcher] { watcher.loop.exit(1); });
    window.show();
    const bool painted = watcher.loop.exec() == 0;
    edit->viewport()->removeEventFilter(&watcher);
    return painted;
}

QTextEdit *editor(MainWindow &window)
{
    return window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

void trigger(MainWindow &window, const char *action)
{
    window.findChild<QAction *>(QLatin1String(action))->trigger();
}

struct Timing
{
    double shownMs = 0;   // the command has returned and the window has repainted
    double laidOutMs = 0; // ... and the whole text is laid out
    bool ok = false;
    QString failure;
};

// Brings the window to rest after a command, noting when it has shown the result: the
// editing area lays a long text out bit by bit from the event loop, and stays usable
// meanwhile; documentSize finishes that layout at once.
void settle(MainWindow &window, const QElapsedTimer &clock, Timing &timing)
{
    QApplication::processEvents();
    timing.shownMs = clock.nsecsElapsed() / 1e6;
    editor(window)->document()->documentLayout()->documentSize();
    QApplication::processEvents();
    timing.laidOutMs = clock.nsecsElapsed() / 1e6;
}

// Runs a command whose modal dialogs the answerer handles, and times it until the window
// is at rest again.
Timing timeCommand(MainWindow &window, const char *action, ModalAnswerer::Answer answer)
{
    ModalAnswerer answerer;
    answerer.expect(std::move(answer));
    QElapsedTimer clock;
    clock.start();
    trigger(window, action);
    Timing timing;
    settle(window, clock, timing);
    timing.ok = answerer.problems().isEmpty() && answerer.pending() == 0;
    if (!timing.ok)
        timing.failure = answerer.problems().join(QStringLiteral("; ")) +
                         QStringLiteral(" pending answers: %1").arg(answerer.pending());
    return timing;
}

Timing openFile(MainWindow &window, const QString &path)
{
    return timeCommand(window, "action_2", answer::chooseFile(path));
}

Timing failed(const QString &why)
{
    Timing timing;
    timing.failure = why;
    return timing;
}

// The editing area must hold what the command should have produced, or the figure
// would time a command that did nothing.
Timing checked(Timing timing, MainWindow &window, int expectedChars, int expectedBlocks)
{
    if (!timing.ok)
        return timing;
    const QTextDocument *document = editor(window)->document();
    // characterCount counts the paragraph separator that closes the last block.
    if (document->characterCount() - 1 != expectedChars || document->blockCount() != expectedBlocks)
        return failed(QStringLiteral("the editing area holds %1 characters in %2 paragraphs, "
                                     "expected %3 in %4")
                          .arg(document->characterCount() - 1)
                          .arg(document->blockCount())
                          .arg(expectedChars)
                          .arg(expectedBlocks));
    return timing;
}

Timing measureStartup()
{
    QElapsedTimer clock;
    clock.start();
    MainWindow window;
    if (!showAndWaitForFirstPaint(window))
        return failed(QStringLiteral("no paint within 30 s"));
    Timing timing;
    timing.laidOutMs = timing.shownMs = clock.nsecsElapsed() / 1e6;
    timing.ok = true;
    return timing;
}

int charsOfFile(const QString &path)
{
    QFile file(path);
    return int(file.size()); // one byte per character in Windows-1251
}

Timing measureOpen(const QString &path)
{
    MainWindow window;
    showAndWaitForFirstPaint(window);
    const int chars = charsOfFile(path);
    // The file's CR LF pairs stay in the text; the editing area ends a paragraph at each.
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const int paragraphs = bytes.count('\n') + 1;
    return checked(openFile(window, path), window, chars - (paragraphs - 1), paragraphs);
}

Timing measureEncrypt(const QString &path)
{
    MainWindow window;
    showAndWaitForFirstPaint(window);
    const Timing opened = openFile(window, path);
    if (!opened.ok)
        return opened;
    const int chars = charsOfFile(path);
    const Timing encrypted = timeCommand(window, "action_9", answer::keyAccept(keyA, keyC, keyT0));
    return checked(encrypted, window, 2 * chars + 1, 2);
}

Timing measureSave(const QString &dir)
{
    MainWindow window;
    showAndWaitForFirstPaint(window);
    // Save writes to the opened file; a copy keeps the test file itself unchanged.
    const QString target = saveTarget(dir);
    QFile::remove(target);
    QFile::copy(ordinaryLineFile(dir), target);
    const Timing opened = openFile(window, target);
    if (!opened.ok)
        return opened;
    QFile::resize(target, 0);
    ModalAnswerer answerer; // Save asks nothing; anything that shows up is a failure.
    QElapsedTimer clock;
    clock.start();
    trigger(window, "action_3");
    Timing timing;
    timing.laidOutMs = timing.shownMs = clock.nsecsElapsed() / 1e6;
    timing.ok = answerer.problems().isEmpty() && QFileInfo(target).size() == bigLineChars;
    if (!timing.ok)
        timing.failure = QStringLiteral("the saved file has %1 bytes; %2")
                             .arg(QFileInfo(target).size())
                             .arg(answerer.problems().join(QStringLiteral("; ")));
    return timing;
}

int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString item = QString::fromLocal8Bit(argv[2]);
    const QString dir = QString::fromLocal8Bit(argv[3]);

    const std::map<QString, std::function<Timing()>> items{
        {QStringLiteral("startup"), [] { return measureStartup(); }},
        {QStringLiteral("open"), [&] { return measureOpen(russianFile(dir)); }},
        {QStringLiteral("memory"), [&] { return measureOpen(russianFile(dir)); }},
        {QStringLiteral("encrypt"), [&] { return measureEncrypt(ordinaryLineFile(dir)); }},
        {QStringLiteral("open-unbroken"), [&] { return measureOpen(unbrokenLineFile(dir)); }},
        {QStringLiteral("encrypt-unbroken"), [&] { return measureEncrypt(unbrokenLineFile(dir)); }},
        {QStringLiteral("save"), [&] { return measureSave(dir); }},
    };
    const auto found = items.find(item);
    if (found == items.end()) {
        std::fprintf(stderr, "unknown item %s\n", qPrintable(item));
        return 2;
    }
    const Timing timing = found->second();
    if (!timing.ok) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(item), qPrintable(timing.failure));
        return 1;
    }
    std::printf("result %.3f %.3f %ld\n", timing.laidOutMs, timing.shownMs, peakRssKib());
    return 0;
}

// ---- the parent: runs the children and prints the table ---------------------------------

struct Item
{
    QString name;
    QString what;
    double goal; // milliseconds, or MiB for the memory item
    bool memory = false;
};

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
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 4 && fields[0] == "result") {
            sample.laidOutMs = fields[1].toDouble();
            sample.shownMs = fields[2].toDouble();
            sample.peakMib = fields[3].toDouble() / 1024.0;
            return true;
        }
    }
    return false;
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
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        if (arg == QLatin1String("--runs"))
            runs = std::max(1, value.toInt()), ++i;
        else if (arg == QLatin1String("--only"))
            only = value.split(QLatin1Char(','), Qt::SkipEmptyParts), ++i;
        else if (arg == QLatin1String("--unbroken-chars"))
            unbrokenChars = std::max(1, value.toInt()), ++i;
        else if (arg == QLatin1String("--dir"))
            dirOption = value, ++i;
        else {
            std::fprintf(stderr,
                         "usage: gui_bench [--runs N] [--only item,...] [--unbroken-chars N] "
                         "[--dir DIR]\nitems: startup open encrypt open-unbroken "
                         "encrypt-unbroken save memory\n");
            return 2;
        }
    }

    QTemporaryDir temporary;
    const QString dir = dirOption.isEmpty() ? temporary.path() : dirOption;
    QDir().mkpath(dir);
    if (!writeTestFiles(dir, unbrokenChars)) {
        std::fprintf(stderr, "cannot write the test files into %s\n", qPrintable(dir));
        return 1;
    }

    const QString unbroken = QString::number(unbrokenChars);
    const std::vector<Item> items{
        {QStringLiteral("startup"), QStringLiteral("construct and show the window, first paint"),
         100},
        {QStringLiteral("open"), QStringLiteral("Open, 10 MiB of Russian text lines"), 1500},
        {QStringLiteral("encrypt"),
         QStringLiteral("Encrypt, last line of 1048576 chars with spaces"), 500},
        {QStringLiteral("open-unbroken"),
         QStringLiteral("Open, one line of %1 chars, no break").arg(unbroken), 1000},
        {QStringLiteral("encrypt-unbroken"),
         QStringLiteral("Encrypt, last line of %1 chars, no break").arg(unbroken), 1000},
        {QStringLiteral("save"), QStringLiteral("Save, last line of 1048576 chars"), 200},
        {QStringLiteral("memory"), QStringLiteral("peak memory of the process, Open 10 MiB"), 300,
         true},
    };

    std::printf("gui_bench: median of %d runs, each in a fresh process, offscreen\n\n", runs);
    std::printf("| item | what | median | min | max | whole text laid out | goal | |\n");
    std::printf("| --- | --- | ---: | ---: | ---: | ---: | ---: | --- |\n");
    bool allMet = true;
    for (const Item &item : items) {
        if (!only.isEmpty() && !only.contains(item.name))
            continue;
        std::vector<double> values;
        std::vector<double> laidOut;
        for (int run = 0; run < runs; ++run) {
            Sample sample;
            if (!runOnce(item.name, dir, sample)) {
                std::printf("| %s | %s | failed in run %d | | | | | |\n", qPrintable(item.name),
                            qPrintable(item.what), run + 1);
                values.clear();
                allMet = false;
                break;
            }
            values.push_back(item.memory ? sample.peakMib : sample.shownMs);
            laidOut.push_back(sample.laidOutMs);
        }
        if (values.empty())
            continue;
        const double middle = median(values);
        const bool met = middle < item.goal;
        allMet = allMet && met;
        const char *unit = item.memory ? "MiB" : "ms";
        const QString wholeText =
            item.memory ? QString() : QString::asprintf("%.0f ms", median(laidOut));
        std::printf("| %s | %s | %.0f %s | %.0f %s | %.0f %s | %s | < %.0f %s | %s |\n",
                    qPrintable(item.name), qPrintable(item.what), middle, unit,
                    *std::min_element(values.begin(), values.end()), unit,
                    *std::max_element(values.begin(), values.end()), unit, qPrintable(wholeText),
                    item.goal, unit, met ? "met" : "MISSED");
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
