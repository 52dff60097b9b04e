// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "documentio.h"

#include <QtTest>

// Document bytes decode to the same text whole as piece by piece, however the pieces fall:
// the tool reads its input in pieces, the window's Open decodes a file whole.
class TestDocumentDecoder : public QObject
{
    Q_OBJECT

private slots:
    void piecesDecodeAsTheWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString line = QStringLiteral("Ёж, ПРИВЕТ\r\n");
        QTest::newRow("Windows-1251")
            << QByteArray("\xA8\xE6, \xCF\xD0\xC8\xC2\xC5\xD2\r\n") << line;
        QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF" + line.toUtf8() << line;
        QTest::newRow("UTF-16LE mark")
            << QByteArray("\xFF\xFE\x01\x04\x36\x04", 6) << QStringLiteral("Ёж");
        QTest::newRow("UTF-16BE mark") << QByteArray("\xFE\xFF\x04\x01", 4) << QStringLiteral("Ё");
        QTest::newRow("UTF-32LE mark")
            << QByteArray("\xFF\xFE\0\0\x1F\x04\0\0", 8) << QStringLiteral("П");
        QTest::newRow("UTF-32BE mark")
            << QByteArray("\0\0\xFE\xFF\0\x01\xF6\x00", 8) << QStringLiteral("😀");
        QTest::newRow("UTF-16LE mark alone") << QByteArray("\xFF\xFE") << QString();
        QTest::newRow("part of a mark") << QByteArray("\xEF\xBB") << QStringLiteral("п»");
        QTest::newRow("empty") << QByteArray() << QString();
        // Only the bad byte becomes U+FFFD, wherever a piece ends.
        QTest::newRow("bad UTF-8 byte") << QByteArray("\xEF\xBB\xBF\xD0"
                                                      "A")
                                        << QStringLiteral("\uFFFDA");
        // Characters of three and four bytes, whole or cut short, wherever a piece ends: a
        // U+FFFD for each byte of a sequence that goes wrong, as for the file whole.
        const QByteArray mark("\xEF\xBB\xBF");
        QTest::newRow("four and three bytes")
            << mark + "\xF0\x9F\x92\x80\xE2\x82\xAC" << QStringLiteral("\U0001F480\u20AC");
        QTest::newRow("four bytes cut short") << mark + "\xF0\x9F\x98"
                                                        "A"
                                              << QStringLiteral("\uFFFD\uFFFD\uFFFDA");
        QTest::newRow("three bytes cut short") << mark + "\xE2\x82"
                                                         "A\xD0\x96"
                                               << QStringLiteral("\uFFFD\uFFFDAЖ");
        QTest::newRow("encoded surrogate") << mark + "\xED\xA0\x80"
                                                     "A"
                                           << QStringLiteral("\uFFFD\uFFFD\uFFFDA");
        QTest::newRow("cut short by the end")
            << mark + "\xD0\x96\xF0\x9F\x98" << QStringLiteral("Ж\uFFFD\uFFFD\uFFFD");
    }

    void piecesDecodeAsTheWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(documentio::decodeDocument(bytes), text);
        for (int piece = 1; piece <= 5; ++piece) {
            documentio::DocumentDecoder decoder;
            QString decoded;
            for (int at = 0; at < bytes.size(); at += piece)
                decoded +=
                    decoder.decode(bytes.constData() + at, qMin(piece, int(bytes.size()) - at));
            decoded += decoder.finish();
            QVERIFY2(decoded == text, qPrintable(QStringLiteral("pieces of %1 bytes").arg(piece)));
        }
    }

    // A UTF-8 sequence the input ends inside decodes as it would before any other character:
    // never to nothing.
    void sequenceCutAtTheEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray mark("\xEF\xBB\xBF");
        QTest::newRow("1 of 2 bytes") << mark + "ab\xD0";
        QTest::newRow("2 of 3 bytes") << mark + "ab\xE2\x80";
        QTest::newRow("3 of 4 bytes") << mark + "ab\xF0\x9F\x98";
        QTest::newRow("just after the mark") << mark + "\xF0\x9F";
    }

    void sequenceCutAtTheEnd()
    {
        QFETCH(QByteArray, bytes);
        const QString whole = documentio::decodeDocument(bytes);
        QVERIFY2(whole.endsWith(QChar::ReplacementCharacter), qPrintable(whole));
        QCOMPARE(whole, documentio::decodeDocument(bytes + 'c').chopped(1));
        for (int piece = 1; piece <= 5; ++piece) {
            documentio::DocumentDecoder decoder;
            QString decoded;
            for (int at = 0; at < bytes.size(); at += piece)
                decoded +=
                    decoder.decode(bytes.constData() + at, qMin(piece, int(bytes.size()) - at));
            QCOMPARE(decoded + decoder.finish(), whole);
        }
    }
};

QTEST_GUILESS_MAIN(TestDocumentDecoder)
#include "tst_documentdecoder.moc"
