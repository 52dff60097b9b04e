#include "gamma.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "textlayout.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include <memory>

namespace {

const QString prose = QString::fromUtf8(
    "Гаммирование – метод криптографического преобразования, заключающийся в том, что "
    "символы шифруемого текста складываются с символами некоторой случайной "
    "последовательности, называемой гаммой шифра или ключевой гаммой. Псевдослучайные "
    "последовательности строятся на основе линейного конгруэнтного датчика, который "
    "вырабатывает числа T(i) по соотношению T(i+1) = (A·T(i)+C) mod m, где А и С – "
    "константы, а Т(0) – исходная величина, выбранная в качестве порождающего числа.");

// Letters and digits: no break opportunity anywhere inside, and the cipher copies them.
QString unbroken(int length)
{
    static const QString pattern =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString text;
    text.reserve(length);
    while (text.size() < length)
        text += pattern.left(length - text.size());
    return text;
}

QByteArray cp1251(const QString &text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

} // namespace

class TestBigLayout : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void longestUnbreakableRun_data();
    void longestUnbreakableRun();
    void openedTextWrapsAsBefore_data();
    void openedTextWrapsAsBefore();
    void encryptedUnbrokenLineWrapsInsideTheArea();
    void wrapsAtWordsAgainOnceTheLongStretchIsGone_data();
    void wrapsAtWordsAgainOnceTheLongStretchIsGone();

private:
    QTextEdit *editor() const;
    QString writeFile(const QString &text);
    void open(const QString &text);
    QTextBlock laidOutBlock(int number) const;
    qreal availableWidth() const;
    void verifyWrapsAtWordBoundaries(int blockNumber) const;
    void verifyWrapsInsideTheArea(int blockNumber) const;

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QTemporaryDir> files;
    int fileCount = 0;
};

void TestBigLayout::init()
{
    files = std::make_unique<QTemporaryDir>();
    QVERIFY(files->isValid());
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestBigLayout::cleanup()
{
    window.reset();
    files.reset();
}

QTextEdit *TestBigLayout::editor() const
{
    return window->findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

QString TestBigLayout::writeFile(const QString &text)
{
    const QString path = files->filePath(QStringLiteral("text%1.txt").arg(++fileCount));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(cp1251(text)) < 0)
        return QString();
    return path;
}

void TestBigLayout::open(const QString &text)
{
    const QString path = writeFile(text);
    QVERIFY(!path.isEmpty());
    ModalAnswerer answerer;
    answerer.expect(answer::chooseFile(path));
    window->findChild<QAction *>(QStringLiteral("action_2"))->trigger();
    QVERIFY2(answerer.problems().isEmpty(), qPrintable(answerer.problems().join("; ")));
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(editor()->toPlainText(), text);
}

// The editing area lays a long text out bit by bit; asking for the size finishes it.
QTextBlock TestBigLayout::laidOutBlock(int number) const
{
    editor()->document()->documentLayout()->documentSize();
    return editor()->document()->findBlockByNumber(number);
}

qreal TestBigLayout::availableWidth() const
{
    const QTextDocument *document = editor()->document();
    return document->textWidth() - 2 * document->documentMargin();
}

void TestBigLayout::verifyWrapsAtWordBoundaries(int blockNumber) const
{
    const QTextBlock block = laidOutBlock(blockNumber);
    const QTextLayout *layout = block.layout();
    const QString text = block.text();
    QVERIFY2(layout->lineCount() > 1, "the paragraph is meant to fill several lines");
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        QVERIFY(line.naturalTextWidth() <= availableWidth() + 1);
        const int start = line.textStart();
        if (i > 0)
            QVERIFY2(text.at(start - 1).isSpace() && !text.at(start).isSpace(),
                     qPrintable(QStringLiteral("line %1 starts inside a word: …%2|%3…")
                                    .arg(i)
                                    .arg(text.mid(start - 10, 10), text.mid(start, 10))));
    }
}

void TestBigLayout::verifyWrapsInsideTheArea(int blockNumber) const
{
    const QTextBlock block = laidOutBlock(blockNumber);
    const QTextLayout *layout = block.layout();
    QVERIFY(layout->lineCount() > 1);
    int covered = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        QVERIFY2(line.naturalTextWidth() <= availableWidth() + 1,
                 qPrintable(QStringLiteral("line %1 is %2 px wide, the area %3 px")
                                .arg(i)
                                .arg(line.naturalTextWidth())
                                .arg(availableWidth())));
        QCOMPARE(line.textStart(), covered);
        covered += line.textLength();
    }
    QCOMPARE(covered, block.length() - 1);
    QVERIFY(editor()->document()->size().width() <= editor()->document()->textWidth());
    QCOMPARE(editor()->horizontalScrollBar()->maximum(), 0);
}

void TestBigLayout::longestUnbreakableRun_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("longest");

    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("words") << QStringLiteral("ab abcde abc") << 5;
    QTest::newRow("Cyrillic words") << QString::fromUtf8("ключ гаммирования") << 12;
    QTest::newRow("spaces only") << QStringLiteral("   ") << 0;
    QTest::newRow("tab and line feed break") << QStringLiteral("abc\tabcd\nab") << 4;
    QTest::newRow("no-break space holds words together") << QStringLiteral("abc\u00a0abcd ab") << 8;
    QTest::newRow("break after a hyphen") << QStringLiteral("abcdef-abc") << 7;
    QTest::newRow("letters and digits") << unbroken(20000) << 20000;
    QTest::newRow("long stretch between words")
        << QString(prose + QLatin1Char(' ') + unbroken(9000) + QLatin1Char(' ') + prose) << 9000;
}

void TestBigLayout::longestUnbreakableRun()
{
    QFETCH(QString, text);
    QFETCH(int, longest);
    QCOMPARE(textlayout::longestUnbreakableRun(text), longest);
}

void TestBigLayout::openedTextWrapsAsBefore_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("atWords");
    QTest::addColumn<QList<int>>("anywhere"); // paragraphs with no break opportunity

    const QString justBelow = unbroken(textlayout::longUnbreakableRun - 1);
    const QString url = QStringLiteral("https://example.org/") + unbroken(300);

    QTest::newRow("prose") << QString(prose + QLatin1Char('\n') + prose) << QList<int>{0, 1}
                           << QList<int>{};
    QTest::newRow("prose under a long address")
        << QString(url + QLatin1Char('\n') + prose) << QList<int>{1} << QList<int>{0};
    QTest::newRow("prose under a stretch just below the limit")
        << QString(justBelow + QLatin1Char('\n') + prose) << QList<int>{1} << QList<int>{0};
    QTest::newRow("stretch at the limit")
        << unbroken(textlayout::longUnbreakableRun) << QList<int>{} << QList<int>{0};
    QTest::newRow("stretch of 100000") << unbroken(100000) << QList<int>{} << QList<int>{0};
    QTest::newRow("stretch of 100000 between prose lines")
        << QString(prose + QLatin1Char('\n') + unbroken(100000) + QLatin1Char('\n') + prose)
        << QList<int>{} << QList<int>{1};
}

// Whatever keeps big texts fast leaves the text alone and wraps it as Qt always did:
// ordinary text at word boundaries, a run too long for a line anywhere, both inside the
// editing area.
void TestBigLayout::openedTextWrapsAsBefore()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, atWords);
    QFETCH(QList<int>, anywhere);

    open(text);
    if (QTest::currentTestFailed())
        return;
    for (int block : atWords) {
        verifyWrapsAtWordBoundaries(block);
        if (QTest::currentTestFailed())
            return;
    }
    for (int block : anywhere) {
        verifyWrapsInsideTheArea(block);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestBigLayout::encryptedUnbrokenLineWrapsInsideTheArea()
{
    const QString line = unbroken(100000);
    open(line);
    if (QTest::currentTestFailed())
        return;

    ModalAnswerer answerer;
    answerer.expect(
        answer::keyAccept(QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("7")));
    window->findChild<QAction *>(QStringLiteral("action_9"))->trigger();
    QVERIFY2(answerer.problems().isEmpty(), qPrintable(answerer.problems().join("; ")));

    QCOMPARE(editor()->toPlainText(), line + QLatin1Char('\n') + gammaTransform(line, 5, 3, 7));
    verifyWrapsInsideTheArea(0);
    if (!QTest::currentTestFailed())
        verifyWrapsInsideTheArea(1);
}

void TestBigLayout::wrapsAtWordsAgainOnceTheLongStretchIsGone_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("ordinary file opened next") << QStringLiteral("open");
    QTest::newRow("long paragraph deleted") << QStringLiteral("delete");
    QTest::newRow("spaces typed into the stretch") << QStringLiteral("split");
}

void TestBigLayout::wrapsAtWordsAgainOnceTheLongStretchIsGone()
{
    QFETCH(QString, how);
    const int stretch = textlayout::longUnbreakableRun + 4000;
    open(prose + QLatin1Char('\n') + unbroken(stretch));
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(editor()->wordWrapMode(), QTextOption::WrapAnywhere);

    QTextCursor cursor(editor()->document());
    if (how == QLatin1String("open")) {
        open(prose + QLatin1Char('\n') + prose);
        if (QTest::currentTestFailed())
            return;
    } else if (how == QLatin1String("delete")) {
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QCOMPARE(editor()->toPlainText(), prose);
    } else {
        const int lineStart = prose.size() + 1;
        for (int at : {stretch / 3, 2 * stretch / 3}) {
            cursor.setPosition(lineStart + at);
            cursor.insertText(QStringLiteral(" "));
        }
        QCOMPARE(editor()->document()->findBlockByNumber(1).text().count(QLatin1Char(' ')), 2);
    }
    QCOMPARE(editor()->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
    verifyWrapsAtWordBoundaries(0);
}

QTEST_MAIN(TestBigLayout)
#include "tst_biglayout.moc"
