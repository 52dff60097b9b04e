#include "documentio.h"
#include "gamma.h"
#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

// Encrypt and Decrypt driven through the window, key dialogs answered as a user would.
class TestGammaCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void encryptThenDecryptGivesThreeLines();
    void onlyTheLastParagraphIsTransformed();
    void emptyLastLineGetsOneEmptyParagraph_data();
    void emptyLastLineGetsOneEmptyParagraph();
    void keyLoop_data();
    void keyLoop();
    void encryptTwiceEqualsEncryptThenDecrypt();
    void enterInAFieldAccepts();
    void markupAndSpacesComeBackExactly_data();
    void markupAndSpacesComeBackExactly();
    void openEncryptSaveWritesTheCipherLine();
    void noBreakSpaceIsKeptBySaveAndTheCipher();

private:
    QAction *action(const char *name) const;
    QTextEdit *editor() const;
    void newDocumentWith(const QString &text);
    void encrypt(const QString &a, const QString &c, const QString &t0);
    void decrypt(const QString &a, const QString &c, const QString &t0);

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
};

void TestGammaCommands::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    answerer = std::make_unique<ModalAnswerer>();
}

void TestGammaCommands::cleanup()
{
    QCOMPARE(answerer->problems().join(QLatin1String("; ")), QString());
    QCOMPARE(answerer->pending(), 0);
    answerer.reset();
    window.reset();
    // Every key dialog is gone with its command.
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

QAction *TestGammaCommands::action(const char *name) const
{
    return window->findChild<QAction *>(QLatin1String(name));
}

QTextEdit *TestGammaCommands::editor() const
{
    return window->findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

void TestGammaCommands::newDocumentWith(const QString &text)
{
    action("action")->trigger();
    typeText(editor(), text);
}

void TestGammaCommands::encrypt(const QString &a, const QString &c, const QString &t0)
{
    answerer->expect(answer::keyAccept(a, c, t0));
    action("action_9")->trigger();
}

void TestGammaCommands::decrypt(const QString &a, const QString &c, const QString &t0)
{
    answerer->expect(answer::keyAccept(a, c, t0));
    action("action_13")->trigger();
}

void TestGammaCommands::encryptThenDecryptGivesThreeLines()
{
    const QString message = QStringLiteral("Привет, Мир! Шифр 2024 ёлка й");
    newDocumentWith(message);
    encrypt(QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("7"));
    decrypt(QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("7"));

    const QString cipher = gammaTransform(message, 5, 3, 7);
    QVERIFY(cipher != message.toUpper());
    QCOMPARE(editor()->toPlainText().split(QLatin1Char('\n')),
             (QStringList{message, cipher, QStringLiteral("ПРИВЕТ, МИР! ШИФР 2024 ёЛКА й")}));
}

void TestGammaCommands::onlyTheLastParagraphIsTransformed()
{
    newDocumentWith(QStringLiteral("первая строка"));
    QTest::keyClick(editor(), Qt::Key_Return);
    typeText(editor(), QStringLiteral("вторая строка"));
    encrypt(QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"));
    QCOMPARE(editor()->toPlainText().split(QLatin1Char('\n')),
             (QStringList{QStringLiteral("первая строка"), QStringLiteral("вторая строка"),
                          gammaTransform(QStringLiteral("вторая строка"), 1, 2, 3)}));
}

void TestGammaCommands::emptyLastLineGetsOneEmptyParagraph_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");

    // Appending to an empty editing area fills its one empty paragraph, as QTextEdit does.
    QTest::newRow("empty text") << ""
                                << "";
    QTest::newRow("ends in a line break") << "строка\n"
                                          << "строка\n\n";
}

void TestGammaCommands::emptyLastLineGetsOneEmptyParagraph()
{
    QFETCH(QString, text);
    QFETCH(QString, after);

    action("action")->trigger();
    editor()->setPlainText(text);
    encrypt(QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("7"));
    QCOMPARE(editor()->toPlainText(), after);
}

// The answers in order, and whether the cipher line ends up appended.
void TestGammaCommands::keyLoop_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("appended");

    QTest::newRow("valid key at once") << QStringList{"key"} << true;
    QTest::newRow("cancel twice") << QStringList{"cancel", "cancel"} << false;
    QTest::newRow("cancel, then two confirmations") << QStringList{"cancel", "key", "key"} << true;
    QTest::newRow("invalid key, then cancel") << QStringList{"bad", "box", "cancel"} << false;
    QTest::newRow("invalid key, confirm the empty fields, then a valid key")
        << QStringList{"bad", "box", "ok", "key"} << true;
    QTest::newRow("value out of range, then cancel")
        << QStringList{"overflow", "box", "cancel"} << false;
    QTest::newRow("cancel, confirm, then an invalid key and cancel")
        << QStringList{"cancel", "key", "bad", "box", "cancel"} << false;
}

void TestGammaCommands::keyLoop()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, appended);

    const QString line = QStringLiteral("Тест ключа");
    newDocumentWith(line);
    for (const QString &step : answers) {
        if (step == QLatin1String("key"))
            answerer->expect(answer::keyAccept("5", "3", "7"));
        else if (step == QLatin1String("bad"))
            answerer->expect(answer::keyAccept("5", "-3", "7"));
        else if (step == QLatin1String("overflow"))
            answerer->expect(answer::keyAccept("5", "3", "2147483648"));
        else if (step == QLatin1String("box"))
            answerer->expect(answer::messageBoxOk());
        else if (step == QLatin1String("ok"))
            answerer->expect([](QWidget *dialog) {
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            });
        else
            answerer->expect(answer::cancel());
    }
    action("action_9")->trigger();

    const QString expected =
        appended ? line + QLatin1Char('\n') + gammaTransform(line, 5, 3, 7) : line;
    QCOMPARE(editor()->toPlainText(), expected);
    if (answers.contains(QStringLiteral("box")))
        QCOMPARE(answerer->seenTexts().at(answers.indexOf(QStringLiteral("box"))),
                 QStringLiteral("Значение ключа неправильное"));
}

void TestGammaCommands::encryptTwiceEqualsEncryptThenDecrypt()
{
    const QString message = QStringLiteral("Съешь же ещё этих мягких французских булок");
    newDocumentWith(message);
    encrypt(QStringLiteral("17"), QStringLiteral("11"), QStringLiteral("40"));
    encrypt(QStringLiteral("17"), QStringLiteral("11"), QStringLiteral("40"));
    const QStringList lines = editor()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(2), QStringLiteral("СЪЕШЬ ЖЕ ЕЩё ЭТИХ МЯГКИХ ФРАНЦУЗСКИХ БУЛОК"));
}

void TestGammaCommands::enterInAFieldAccepts()
{
    newDocumentWith(QStringLiteral("Ввод"));
    answerer->expect([](QWidget *dialog) {
        const QStringList names{"lineEdit", "lineEdit_2", "lineEdit_3"};
        for (const QString &name : names)
            QTest::keyClicks(dialog->findChild<QLineEdit *>(name), QStringLiteral("9"));
        QTest::keyClick(dialog->findChild<QLineEdit *>(QStringLiteral("lineEdit_3")),
                        Qt::Key_Return);
    });
    action("action_13")->trigger();
    QCOMPARE(editor()->toPlainText(),
             QStringLiteral("Ввод\n") + gammaTransform(QStringLiteral("Ввод"), 9, 9, 9));
}

void TestGammaCommands::markupAndSpacesComeBackExactly_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("comparison") << "а < б and c > d";
    QTest::newRow("tags and entities") << "<b>АБВ</b> &amp; x";
    QTest::newRow("runs of spaces") << "  два   пробела  ";
    QTest::newRow("only spaces") << "     ";
}

void TestGammaCommands::markupAndSpacesComeBackExactly()
{
    QFETCH(QString, line);

    action("action")->trigger();
    editor()->setPlainText(line);
    encrypt(QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("4"));
    decrypt(QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("4"));
    const QString cipher = gammaTransform(line, 3, 1, 4);
    QCOMPARE(editor()->toPlainText().split(QLatin1Char('\n')),
             (QStringList{line, cipher, gammaTransform(cipher, 3, 1, 4)}));
}

void TestGammaCommands::openEncryptSaveWritesTheCipherLine()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("шифр.txt"));
    QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(codec->fromUnicode(QStringLiteral("Заголовок\r\nОткрытый текст, 1-я строка")));
    }
    answerer->expect(answer::chooseFile(path));
    action("action_2")->trigger();
    encrypt(QStringLiteral("21"), QStringLiteral("13"), QStringLiteral("5"));
    action("action_3")->trigger();

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(),
             documentio::encodeWindows1251(
                 gammaTransform(QStringLiteral("Открытый текст, 1-я строка"), 21, 13, 5))
                 .bytes);
}

// A no-break space (byte 0xA0 in Windows-1251) is a character of the user's text, not a
// space of the alphabet: Save writes it back and the cipher copies it.
void TestGammaCommands::noBreakSpaceIsKeptBySaveAndTheCipher()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nbsp.txt"));
    const QByteArray bytes("\xE0\xA0\xE1 \xE2"); // а, no-break space, б, space, в
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    answerer->expect(answer::chooseFile(path));
    action("action_2")->trigger();
    action("action_3")->trigger();
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), bytes);

    encrypt(QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("7"));
    const QString line = QStringLiteral("а\u00A0б в");
    const QString cipher = editor()->document()->toRawText().section(QChar::ParagraphSeparator, 1);
    QCOMPARE(cipher, gammaTransform(line, 5, 3, 7));
    QCOMPARE(cipher.at(1), QChar(QChar::Nbsp));
}

QTEST_MAIN(TestGammaCommands)
#include "tst_gammacommands.moc"
