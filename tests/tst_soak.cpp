// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gamma.h"
#include "gamma_reference.h"
#include "windowfixture.h"

#include <QTextBlock>

// One window, a thousand Encrypt and Decrypt commands in a row on a 1,000-character line, every
// key dialog answered as a user would: every result exact, nothing left behind (the sanitizer
// build adds leaks).
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void thousandCommandsInOneWindow()
    {
        // Letters of both cases, the space, Ё and Й that stay outside the alphabet, Latin letters,
        // digits and punctuation, in an order that does not repeat with the keystream's period.
        const QString pieces = QStringLiteral("Съешь же ещё этих мягких французских булок, да "
                                              "выпей чаю! ЙОД 42 Gamma; ");
        QString original;
        for (int i = 0; original.size() < 1000; ++i)
            original += pieces.at((i * 7) % pieces.size());
        const QString upperCased =
            reference::upperCaseAlphabetCharacters(standardAlphabet(), original);

        WindowFixture w;
        w.start();
        w.openFile(w.writeFile(QStringLiteral("soak.txt"), cp1251(original)));
        QCOMPARE(w.editor()->toPlainText(), original);
        int widgetsAfterFirst = 0;
        for (int i = 0; i < 1000; ++i) {
            // Keys spread over the whole range a user can type, 0 and 2147483647 among them.
            const quint32 n = quint32(i / 2);
            const qint32 a = qint32((n * 2654435761u) % 2147483648u);
            const qint32 c = qint32((n * 40503u + 7u) % 2147483648u);
            const qint32 t0 = n % 5 == 0 ? 2147483647 : qint32(n * 13u);
            const QString source = w.editor()->document()->lastBlock().text();
            i % 2 == 0 ? w.encrypt(a, c, t0) : w.decrypt(a, c, t0);

            const QString result = w.editor()->document()->lastBlock().text();
            QCOMPARE(result, gammaTransform(source, a, c, t0));
            if (i % 2 == 1)
                QCOMPARE(result, upperCased); // Decrypt with the key Encrypt used
            QCOMPARE(w.editor()->document()->blockCount(), i + 2);
            // Each key dialog dies with its command. (The hidden menus are widgets too, made
            // on first use, so the count is taken after the first command.)
            if (i == 0)
                widgetsAfterFirst = QApplication::allWidgets().size();
            QCOMPARE(QApplication::allWidgets().size(), widgetsAfterFirst);
        }
        QCOMPARE(w.answerer->seenTitles().count(QStringLiteral("Ключ")), 1000);
        w.finish();
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
