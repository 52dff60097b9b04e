#include "gamma.h"
#include "gamma_reference.h"
#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCodec>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

namespace {

constexpr int commands = 1000;
constexpr int lineLength = 1000;

// Letters of both cases, the space, Ё and Й that stay outside the alphabet, Latin letters,
// digits and punctuation, in an order that does not repeat with the keystream's period.
QString soakLine()
{
    const QString pieces = QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей "
                                          "чаю! ЙОД 42 Gamma; ");
    QString line;
    for (int i = 0; line.size() < lineLength; ++i)
        line += pieces.at((i * 7) % pieces.size());
    return line;
}

struct SoakKey
{
    quint32 a, c, t0;
};

// Keys spread over the whole range a user can type, 0 and 2147483647 among them.
SoakKey keyFor(int pair)
{
    const quint32 n = quint32(pair);
    return {(n * 2654435761u) % 2147483648u, (n * 40503u + 7u) % 2147483648u,
            pair % 5 == 0 ? 2147483647u : n * 13u};
}

int visibleTopLevelWidgets()
{
    int visible = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        visible += widget->isVisible() ? 1 : 0;
    return visible;
}

} // namespace

// One window, a thousand Encrypt and Decrypt commands in a row, every key dialog answered as
// the user would: every result exact, nothing left behind (the sanitizer build adds leaks).
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void thousandCommandsInOneWindow();
};

void TestSoak::thousandCommandsInOneWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString original = soakLine();
    const QString path = dir.filePath(QStringLiteral("soak.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QTextCodec::codecForName("Windows-1251")->fromUnicode(original));
    }

    auto window = std::make_unique<MainWindow>();
    window->show();
    ModalAnswerer answerer;
    answerer.expect(answer::chooseFile(path));
    window->findChild<QAction *>(QStringLiteral("action_2"))->trigger();
    auto *editor = window->findChild<QTextEdit *>(QStringLiteral("textEdit"));
    QCOMPARE(editor->toPlainText(), original);

    QAction *encrypt = window->findChild<QAction *>(QStringLiteral("action_9"));
    QAction *decrypt = window->findChild<QAction *>(QStringLiteral("action_13"));
    const QString upperCased = reference::upperCaseAlphabetCharacters(standardAlphabet(), original);
    int widgetsAfterFirst = 0;
    int topLevelAfterFirst = 0;

    for (int i = 0; i < commands; ++i) {
        const SoakKey key = keyFor(i / 2);
        const QString source = editor->document()->lastBlock().text();
        answerer.expect(answer::keyAccept(QString::number(key.a), QString::number(key.c),
                                          QString::number(key.t0)));
        (i % 2 == 0 ? encrypt : decrypt)->trigger();

        const QString result = editor->document()->lastBlock().text();
        QCOMPARE(result, gammaTransform(source, qint32(key.a), qint32(key.c), qint32(key.t0)));
        QCOMPARE(result.size(), lineLength);
        if (i % 2 == 1)
            QCOMPARE(result, upperCased); // Decrypt with the key Encrypt used
        QCOMPARE(editor->document()->blockCount(), i + 2);

        // Each key dialog dies with its command. (The window's menus are top-level widgets
        // too, hidden, so the counts are taken after the first command.)
        if (i == 0) {
            widgetsAfterFirst = QApplication::allWidgets().size();
            topLevelAfterFirst = QApplication::topLevelWidgets().size();
        }
        QCOMPARE(QApplication::allWidgets().size(), widgetsAfterFirst);
        QCOMPARE(QApplication::topLevelWidgets().size(), topLevelAfterFirst);
        QCOMPARE(visibleTopLevelWidgets(), 1);
    }
    QCOMPARE(answerer.problems().join(QLatin1String("; ")), QString());
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(answerer.seenTitles().size(), commands + 1);
    QCOMPARE(answerer.seenTitles().count(QStringLiteral("Ключ")), commands);

    window.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
