// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

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
#include <QTextEdit>

#include <memory>

// Ordinary text; the long stretches are letters only: no break opportunity anywhere inside,
// and the cipher copies them.
const QString prose = QString::fromUtf8(
    "Гаммирование – метод криптографического преобразования, заключающийся в том, что "
    "символы шифруемого текста складываются с символами некоторой случайной "
    "последовательности, называемой гаммой шифра или ключевой гаммой. Псевдослучайные "
    "последовательности строятся на основе линейного конгруэнтного датчика.");
const int stretch = textlayout::longUnbreakableRun + 4000; // its halves fit below the limit

// Whatever keeps big texts fast leaves the text alone and wraps it as the user expects:
// ordinary text at word boundaries, a run too long for a line anywhere, never sideways.
class TestBigLayout : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;
    QTemporaryDir files;

    QTextEdit *editor() const { return window->findChild<QTextEdit *>(QStringLiteral("textEdit")); }

    // Runs a command with its one dialog answered; returns what went wrong, if anything.
    QString run(const char *action, ModalAnswerer::Answer answer)
    {
        ModalAnswerer answerer;
        answerer.expect(std::move(answer));
        window->findChild<QAction *>(QLatin1String(action))->trigger();
        return answerer.problems().join("; ") + (answerer.pending() ? "unanswered" : "");
    }

    QString writeFile(const QString &text, bool utf8 = false)
    {
        QFile file(files.filePath(QStringLiteral("text.txt")));
        const QByteArray bytes = utf8 ? "\xEF\xBB\xBF" + text.toUtf8()
                                      : QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0)
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

    QString open(const QString &text)
    {
        return run("action_2", answer::chooseFile(writeFile(text)));
    }

    // Every screen line of the paragraph fits the area and follows on from the one before;
    // with atWords, each starts after a space.
    void verifyWraps(int blockNumber, bool atWords)
    {
        QTextDocument *document = editor()->document();
        document->documentLayout()->documentSize(); // finishes the layout done bit by bit
        const QTextBlock block = document->findBlockByNumber(blockNumber);
        const QTextLayout *layout = block.layout();
        int covered = 0;
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            QVERIFY(line.naturalTextWidth() <=
                    document->textWidth() - 2 * document->documentMargin() + 1);
            QCOMPARE(line.textStart(), covered);
            QVERIFY(!atWords || i == 0 || block.text().at(covered - 1).isSpace());
            covered += line.textLength();
        }
        QCOMPARE(covered, block.length() - 1);
        QCOMPARE(editor()->horizontalScrollBar()->maximum(), 0);
    }

private slots:
    void init()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void wrapsInsideTheArea_data()
    {
        QTest::addColumn<QString>("before"); // opened first, if any
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QString>("wraps"); // per paragraph: at Words, Anywhere, or not checked

        const QString longStretch(100000, 'x');
        QTest::newRow("prose under a stretch just below the limit")
            << QString() << QString(QString(textlayout::longUnbreakableRun - 1, 'x') + '\n' + prose)
            << false << "AW";
        QTest::newRow("long stretch between prose lines")
            << QString() << QString(prose + '\n' + longStretch + '\n' + prose) << false << "-A-";
        QTest::newRow("long stretch encrypted") << QString() << longStretch << true << "AA";
        QTest::newRow("prose opened after a long stretch")
            << longStretch << QString(prose + '\n' + prose) << false << "WW";
    }
    void wrapsInsideTheArea()
    {
        QFETCH(QString, before);
        QFETCH(QString, text);
        QFETCH(bool, encrypt);
        QFETCH(QString, wraps);

        if (!before.isEmpty())
            QCOMPARE(open(before), QString());
        QCOMPARE(open(text), QString());
        if (encrypt) {
            QCOMPARE(run("action_9", answer::keyAccept("5", "3", "7")), QString());
            text += '\n' + gammaTransform(text, 5, 3, 7);
        }
        QCOMPARE(editor()->toPlainText(), text);
        for (int block = 0; block < wraps.size(); ++block) {
            if (wraps[block] != '-')
                verifyWraps(block, wraps[block] == QLatin1Char('W'));
        }
    }

    // Word wrapping returns as soon as no stretch is too long, here the moment one is split.
    void wrapsAtWordsAgainOnceTheLongStretchIsSplit()
    {
        QCOMPARE(open(prose + '\n' + QString(stretch, 'x')), QString());
        QCOMPARE(editor()->wordWrapMode(), QTextOption::WrapAnywhere);
        QTextCursor cursor(editor()->document());
        cursor.setPosition(prose.size() + 1 + stretch / 2);
        cursor.insertText(QStringLiteral(" "));
        QCOMPARE(editor()->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        verifyWraps(0, true);
    }

    // The keeper looks only at the paragraphs an edit touches: typing beside a long stretch
    // scans nothing, typing in it scans that paragraph once per key.
    void typingScansOnlyTheParagraphTyped_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("scanned"); // for two keys
        QTest::newRow("before the stretch") << prose.size() << 0;
        QTest::newRow("after the stretch") << 2 * prose.size() + stretch + 2 << 0;
        QTest::newRow("inside the stretch") << prose.size() + 1 + stretch / 2 << 2 * stretch + 5;
    }
    void typingScansOnlyTheParagraphTyped()
    {
        QFETCH(int, position);
        QFETCH(int, scanned);
        QCOMPARE(open(prose + '\n' + QString(stretch, 'x') + '\n' + prose), QString());
        const auto *keeper = editor()->findChild<textlayout::WrapModeKeeper *>();
        QTextCursor cursor(editor()->document());
        cursor.setPosition(position);
        editor()->setTextCursor(cursor);
        const qint64 before = keeper->scannedCharacters();
        typeText(editor(), QStringLiteral("ab"));
        QCOMPARE(keeper->scannedCharacters() - before, qint64(scanned));
        QCOMPARE(editor()->wordWrapMode(), QTextOption::WrapAnywhere);
    }

    // The mark of a long stretch goes with its paragraph, and comes back with an undo.
    void wrapModeFollowsRemovalAndUndoOfTheLongStretch()
    {
        QCOMPARE(open(prose + '\n' + QString(stretch, 'x')), QString());
        QTextCursor cursor(editor()->document());
        cursor.setPosition(prose.size());
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QCOMPARE(editor()->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        editor()->document()->undo();
        QCOMPARE(editor()->wordWrapMode(), QTextOption::WrapAnywhere);
    }

    // A line Qt could not lay out, alone or below the text before it, is found with its number
    // and the limit for its characters.
    void findsLinesTooLongToShow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("limit"); // 0: below the length, set by the height left

        const int wideLine = 12 * 1024 * 1024;
        QTest::newRow("ordinary prose") << QString(prose + "\r\n" + prose) << 0 << 0 << 0;
        QTest::newRow("exactly the length limit, narrow letters")
            << QString(32 * 1024 * 1024, 'i') << 0 << 0 << 0; // 33,554,432
        QTest::newRow("past the length limit, narrow letters")
            << QString(textlayout::longestShownLine + 1, 'i') << 1
            << textlayout::longestShownLine + 1 << textlayout::longestShownLine;
        QTest::newRow("wide letters, second line after CR LF")
            << QString(prose + "\r\n" + QString(wideLine, QChar(0x042E))) << 2 << wideLine << 0;
        const QString half(wideLine / 2, QChar(0x042E)); // fits alone, but not below another
        QTest::newRow("two long lines") << QString(half + '\n' + half) << 2 << half.size() << 0;
    }
    void findsLinesTooLongToShow()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(int, length);
        QFETCH(int, limit);
        const textlayout::TooLongLine found = textlayout::findLineTooLongToShow(*editor(), text);
        QCOMPARE(found.number, number);
        QCOMPARE(found.length, length);
        if (limit != 0)
            QCOMPARE(found.limit, limit);
        else if (number != 0)
            QVERIFY(found.limit > 0 && found.limit < length);
    }

    // Open refuses such a file, Encrypt such a result line, with a message; the text stays.
    void reportsALineTooLongToShow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QString>("message");
        QTest::newRow("Open") << QString(12 * 1024 * 1024, QChar(0x042E)) << false
                              << "строка 1 слишком длинная (12582912 символов)";
        // Line separators make a text tall at little layout cost; its last line is long.
        QTest::newRow("Encrypt") << QString(QString(240000, QChar::LineSeparator) +
                                            QString(1536 * 1024, QChar(0x042E)))
                                 << true << "Результат не показан: строка 2";
    }
    void reportsALineTooLongToShow()
    {
        QFETCH(QString, text);
        QFETCH(bool, encrypt);
        QFETCH(QString, message);
        ModalAnswerer answerer;
        answerer.expect(answer::chooseFile(writeFile(text, true)));
        if (encrypt)
            answerer.expect(answer::keyAccept("5", "3", "7"));
        answerer.expect(answer::messageBoxOk());
        window->findChild<QAction *>(QStringLiteral("action_2"))->trigger();
        if (encrypt)
            window->findChild<QAction *>(QStringLiteral("action_9"))->trigger();
        QCOMPARE(answerer.pending(), 0);
        QVERIFY2(answerer.seenTexts().join(' ').contains(message),
                 qPrintable(answerer.seenTexts().join(' ')));
        QCOMPARE(editor()->document()->characterCount() - 1, encrypt ? text.size() : 0);
    }
};

QTEST_MAIN(TestBigLayout)
#include "tst_biglayout.moc"
