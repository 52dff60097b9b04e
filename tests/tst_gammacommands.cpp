// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gamma.h"
#include "windowfixture.h"

#include <QLineEdit>
#include <QMap>

namespace {

QString cipher(const QString &line)
{
    return gammaTransform(line, 5, 3, 7);
}

} // namespace

// Encrypt and Decrypt driven through the window, key dialogs answered as a user would.
class TestGammaCommands : public QObject
{
    Q_OBJECT

private slots:
    void init() { w.start(); }
    void cleanup() { w.finish(); }

    // The text typed, the commands run with the key 5, 3, 7 (E: Encrypt, D: Decrypt, N: Ctrl+End
    // and Enter), the text after them: each command appends the last paragraph transformed,
    // every character as it came.
    void commandsAppendTheLastLineTransformed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QStringList>("after");
        const auto row = [](const char *name, const QString &text, const char *commands,
                            const QStringList &after) {
            QTest::newRow(name) << text << QString(commands) << after;
        };
        const QString mixed = QStringLiteral("Привет, Мир! Шифр 2024 ёлка й");
        row("Encrypt, Decrypt", mixed, "ED",
            {mixed, cipher(mixed), "ПРИВЕТ, МИР! ШИФР 2024 ёЛКА й"});
        const QString pangram = QStringLiteral("Съешь же ещё этих мягких французских булок");
        row("Encrypt twice", pangram, "EE",
            {pangram, cipher(pangram), "СЪЕШЬ ЖЕ ЕЩё ЭТИХ МЯГКИХ ФРАНЦУЗСКИХ БУЛОК"});
        row("only the last paragraph", "первая\nвторая", "E",
            {"первая", "вторая", cipher("вторая")});
        // Appending to an empty editing area fills its one empty paragraph, as QTextEdit does.
        row("empty text", "", "E", {""});
        row("ends in a line break", "строка\n", "E", {"строка", "", ""});
        // The key loop empties the result: the earlier cipher line must not come back.
        row("Encrypt, new paragraph, Encrypt", "строка", "ENE",
            {"строка", cipher("строка"), "", ""});
        for (const char *line : {"а < б and c > d", "<b>АБВ</b> &amp; x", "  два   пробела  "})
            row(line, line, "ED", {line, cipher(line), cipher(cipher(line))});
    }

    void commandsAppendTheLastLineTransformed()
    {
        QFETCH(QString, text);
        QFETCH(QString, commands);
        QFETCH(QStringList, after);

        w.newDocument(text);
        for (const QChar command : commands) {
            if (command == QLatin1Char('N')) {
                QTest::keyClick(w.editor(), Qt::Key_End, Qt::ControlModifier);
                QTest::keyClick(w.editor(), Qt::Key_Return);
                continue;
            }
            command == QLatin1Char('E') ? w.encrypt(5, 3, 7) : w.decrypt(5, 3, 7);
        }
        QCOMPARE(w.editor()->toPlainText(), after.join(QLatin1Char('\n')));
    }

    // The answers to the key dialogs in order, and whether the cipher line ends up appended.
    void keyLoop_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("appended");
        QTest::newRow("Esc twice") << QStringList{"cancel", "cancel"} << false;
        QTest::newRow("Esc, then two confirmations") << QStringList{"cancel", "key", "key"} << true;
        QTest::newRow("invalid, then Esc") << QStringList{"bad", "box", "cancel"} << false;
        QTest::newRow("invalid, OK on the emptied fields, then a key")
            << QStringList{"bad", "box", "empty", "key"} << true;
        QTest::newRow("over 2147483647, then Esc")
            << QStringList{"overflow", "box", "cancel"} << false;
        QTest::newRow("Esc, confirm, invalid, Esc")
            << QStringList{"cancel", "key", "bad", "box", "cancel"} << false;
        QTest::newRow("Enter in a field accepts") << QStringList{"enter"} << true;
    }

    void keyLoop()
    {
        QFETCH(QStringList, answers);
        QFETCH(bool, appended);

        const auto enter = [](QWidget *dialog) {
            for (const char *name : {"lineEdit", "lineEdit_2", "lineEdit_3"})
                QTest::keyClicks(dialog->findChild<QLineEdit *>(name), "7");
            QTest::keyClick(dialog->findChild<QLineEdit *>("lineEdit_3"), Qt::Key_Return);
        };
        const QMap<QString, ModalAnswerer::Answer> byName{
            {"cancel", answer::cancel()},
            {"box", answer::messageBoxOk()},
            {"key", answer::keyAccept("7", "7", "7")},
            {"bad", answer::keyAccept("7", "-7", "7")},
            {"overflow", answer::keyAccept("7", "7", "2147483648")},
            {"empty", answer::keyAccept("", "", "")},
            {"enter", enter}};
        const QString line = QStringLiteral("Тест ключа");
        w.newDocument(line);
        for (const QString &step : answers)
            w.answerer->expect(byName.value(step));
        w.trigger("action_9");

        QCOMPARE(w.editor()->toPlainText(),
                 appended ? line + QLatin1Char('\n') + gammaTransform(line, 7, 7, 7) : line);
        QCOMPARE(w.answerer->seenTexts().count(QStringLiteral("Значение ключа неправильное")),
                 answers.count(QStringLiteral("box")));
    }

    // Open a Windows-1251 file, Encrypt, Save: the bytes saved are the cipher library's line. A
    // no-break space (0xA0) is a character of the user's text, not a space of the alphabet: Save
    // writes it back and the cipher copies it.
    void openEncryptSaveKeepsANoBreakSpace()
    {
        const QString line = QStringLiteral("Открытый\u00A0текст, 1-я строка");
        const QString path =
            w.writeFile(QStringLiteral("шифр.txt"), cp1251(QStringLiteral("Заголовок\r\n") + line));
        w.openFile(path);
        w.trigger("action_3");
        QCOMPARE(readAll(path), cp1251(line));
        QCOMPARE(readAll(path).at(8), '\xA0');

        w.encrypt(21, 13, 5);
        const QString encrypted = gammaTransform(line, 21, 13, 5);
        QCOMPARE(encrypted.at(8), QChar(QChar::Nbsp));
        QCOMPARE(w.shownText().section(QLatin1Char('\n'), 2), encrypted);
        w.trigger("action_3");
        QCOMPARE(readAll(path), cp1251(encrypted));
    }

private:
    WindowFixture w;
};

QTEST_MAIN(TestGammaCommands)
#include "tst_gammacommands.moc"
