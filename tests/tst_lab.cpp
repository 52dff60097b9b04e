// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "charts.h"
#include "documentio.h"
#include "gamma.h"
#include "keypattern.h"
#include "labwindow.h"
#include "languagemodel.h"
#include "modalanswerer.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

Q_DECLARE_METATYPE(GammaKey)

namespace {

// Lines written for these tests: ordinary Russian sentences of about a hundred characters.
const QString lessonLine = QStringLiteral("НА УРОКЕ МЫ РАЗБИРАЕМ ШИФР ГАММИРОВАНИЯ И ВИДИМ ПОЧЕМУ "
                                          "КОРОТКИЙ ЦИКЛ ДАТЧИКА ДЕЛАЕТ ЕГО СЛАБЫМ");
const QString letterLine = QStringLiteral("ДОРОГОЙ ДРУГ ПИШУ ТЕБЕ ИЗ ДЕРЕВНИ ГДЕ ВСЁ ТИХО И "
                                          "СПОКОЙНО А ЛЕС ЗА РЕКОЙ УЖЕ СОВСЕМ ЖЁЛТЫЙ");

template <typename T> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

QBarSeries *frequencySeries(QWidget *window)
{
    return qobject_cast<QBarSeries *>(
        child<QChartView>(window, "frequencyChart")->chart()->series().first());
}

// The direct count: each code's share among the alphabet characters, in per cent.
QVector<double> sharesCounted(const QString &line)
{
    QVector<double> counts(alphabetSize, 0.0);
    int total = 0;
    for (const QChar ch : line) {
        if (const std::optional<int> code = lookupCode(ch)) {
            counts[*code] += 1;
            ++total;
        }
    }
    for (double &count : counts)
        count = total ? 100.0 * count / total : 0.0;
    return counts;
}

} // namespace

class TestLab : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<LabWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
    QTemporaryDir dir;

    void runAttack()
    {
        QSignalSpy ended(child<QObject>(window.get(), "attackButton")->parent(),
                         SIGNAL(attackEnded()));
        QTest::mouseClick(child<QPushButton>(window.get(), "attackButton"), Qt::LeftButton);
        QVERIFY(ended.wait(100000));
    }

private slots:
    void init()
    {
        window = std::make_unique<LabWindow>();
        window->show();
        answerer = std::make_unique<ModalAnswerer>();
    }

    void cleanup()
    {
        QCOMPARE(answerer->problems().join(QLatin1String("; ")), QString());
        QCOMPARE(answerer->pending(), 0);
        window.reset();
    }

    // A cipher line saved in Windows-1251 is opened and broken; the first candidate's key,
    // applied, gives the plain text, and the keystream table agrees with the cipher library
    // row by row.
    void attackFindsTheKeyAndTheTableFollowsIt_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<GammaKey>("key");
        QTest::addColumn<QString>("crib");
        QTest::newRow("typed key") << lessonLine << GammaKey{5, 3, 7} << QString();
        QTest::newRow("large key, Ё passes")
            << letterLine << GammaKey{1103515245, 12345, -77} << QString();
        QTest::newRow("short line, crib") << QStringLiteral("ВСТРЕЧА У МОСТА В ДЕВЯТЬ ЧАСОВ")
                                          << GammaKey{90210, 31337, 2026} << QStringLiteral("мост");
    }

    void attackFindsTheKeyAndTheTableFollowsIt()
    {
        QFETCH(QString, plain);
        QFETCH(GammaKey, key);
        QFETCH(QString, crib);
        const QString cipherLine = gammaTransform(plain, key.a, key.c, key.t0);
        const QString path = dir.filePath(QStringLiteral("шифр.txt"));
        QCOMPARE(documentio::writeDocument(path, documentio::encodeWindows1251(cipherLine).bytes),
                 QString());
        QVERIFY(window->openFile(path));
        QCOMPARE(child<QLineEdit>(window.get(), "lineField")->text(), cipherLine);

        auto *pages = child<QTabWidget>(window.get(), "pages");
        pages->setCurrentIndex(3);
        typeText(child<QLineEdit>(window.get(), "cribField"), crib);
        runAttack();
        auto *candidates = child<QTableWidget>(window.get(), "candidateTable");
        QVERIFY(candidates->rowCount() > 0);
        QCOMPARE(candidates->item(0, 5)->text(), plain);

        QTest::mouseClick(child<QPushButton>(window.get(), "applyButton"), Qt::LeftButton);
        QCOMPARE(pages->currentIndex(), 0);
        const GammaKey found = window->key();
        QCOMPARE(found.a, candidates->item(0, 2)->text().toInt());
        QCOMPARE(found.t0, candidates->item(0, 4)->text().toInt());
        QCOMPARE(gammaTransform(cipherLine, found.a, found.c, found.t0), plain);

        const QAbstractItemModel *table = child<QTableView>(window.get(), "gammaTable")->model();
        QCOMPARE(table->rowCount(), cipherLine.size());
        const QVector<int> gamma = analysis::keyGamma(found, cipherLine.size());
        qint32 value = found.t0;
        for (int i = 0; i < cipherLine.size(); ++i) {
            const auto cell = [&](int column) { return table->index(i, column).data().toString(); };
            if (i > 0)
                value = nextGammaValue(value, found.a, found.c);
            QCOMPARE(cell(4), QString::number(value));
            QCOMPARE(cell(5), QString::number(gamma[i], 2).rightJustified(5, QLatin1Char('0')));
            const QString result = cell(7) == QStringLiteral("␣") ? QStringLiteral(" ") : cell(7);
            QCOMPARE(result, plain.mid(i, 1));
            QCOMPARE(cell(8).contains(QStringLiteral("вне алфавита")), !lookupCode(plain[i]));
        }
    }

    // «Открыть…» refuses a file it cannot take with a message that names it; the line stays.
    void openRefusesWithAMessage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents"); // null: no such file
        QTest::addColumn<QString>("message");
        QTest::newRow("no such file") << QStringLiteral("нет такого.txt") << QByteArray()
                                      << QStringLiteral("Не удалось открыть файл «");
        QTest::newRow("first line too long")
            << QStringLiteral("длинная.txt") << QByteArray(1000001, 'a') + "\r\nвторая"
            << QStringLiteral("Первая строка файла «");
    }

    void openRefusesWithAMessage()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        const QString path = dir.filePath(name);
        if (!contents.isNull())
            QCOMPARE(documentio::writeDocument(path, contents), QString());
        child<QLineEdit>(window.get(), "lineField")->setText(lessonLine);
        answerer->expect(answer::chooseFile(path));
        answerer->expect(answer::messageBoxOk());
        QTest::mouseClick(child<QPushButton>(window.get(), "openButton"), Qt::LeftButton);
        const QString shown = answerer->seenTexts().value(1);
        QVERIFY2(shown.startsWith(message + QDir::toNativeSeparators(path) + QStringLiteral("»")),
                 qPrintable(shown));
        QCOMPARE(child<QLineEdit>(window.get(), "lineField")->text(), lessonLine);
    }

    // «Зашифровать» under the table gives the line under the key, and says so beside it.
    void gammaPageEncryptsTheLine()
    {
        const GammaKey key{1103515245, 12345, -77};
        child<QLineEdit>(window.get(), "lineField")->setText(letterLine);
        window->setKey(key);
        QTest::mouseClick(child<QPushButton>(window.get(), "encryptButton"), Qt::LeftButton);
        auto *result = child<QLineEdit>(window.get(), "resultLine");
        QCOMPARE(result->text(), gammaTransform(letterLine, key.a, key.c, key.t0));
        const QList<QLabel *> labels = window->findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [result](const QLabel *label) {
            return label->buddy() == result && label->text() == QStringLiteral("Зашифровано:");
        }));
    }

    // «Ключ» says which keys are weak and why.
    void keyPageGivesTheVerdict_data()
    {
        QTest::addColumn<GammaKey>("key");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("all zero") << GammaKey{0, 0, 0}
                                  << QStringLiteral("да: гамма везде 0, и «шифр» — это открытый "
                                                    "текст заглавными буквами");
        QTest::newRow("negative seed kept") << GammaKey{1, 0, -5}
                                            << QStringLiteral("да: гамма везде 0, и «шифр» — это "
                                                              "открытый текст заглавными буквами");
        QTest::newRow("constant") << GammaKey{0, 5, 5}
                                  << QStringLiteral("да: гамма повторяется с периодом 1 (не больше "
                                                    "4), текст читается почти без ключа");
        QTest::newRow("counter") << GammaKey{1, 1, 0} << QStringLiteral("нет");
        QTest::newRow("typed key") << GammaKey{5, 3, 7} << QStringLiteral("нет");
    }

    void keyPageGivesTheVerdict()
    {
        QFETCH(GammaKey, key);
        QFETCH(QString, verdict);
        window->setKey(key);
        QCOMPARE(child<QLabel>(window.get(), "weakVerdict")->text(), verdict);
    }

    // «Остановить» ends the search at once; the window is ready for the next one.
    void attackCanBeStopped()
    {
        child<QLineEdit>(window.get(), "lineField")
            ->setText(gammaTransform(lessonLine + QLatin1Char(' ') + letterLine, 5, 3, 7));
        auto *attack = child<QPushButton>(window.get(), "attackButton");
        auto *stop = child<QPushButton>(window.get(), "stopButton");
        QTest::mouseClick(attack, Qt::LeftButton);
        QVERIFY(stop->isEnabled());
        QVERIFY(!attack->isEnabled());
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(attack->isEnabled());
        QVERIFY(!stop->isEnabled());
        QCOMPARE(child<QLabel>(window.get(), "attackStatus")->text(),
                 QStringLiteral("Взлом остановлен."));
        QCOMPARE(child<QTableWidget>(window.get(), "candidateTable")->rowCount(), 0);

        child<QLineEdit>(window.get(), "lineField")->setText(gammaTransform(lessonLine, 5, 3, 7));
        runAttack();
        QCOMPARE(child<QTableWidget>(window.get(), "candidateTable")->item(0, 5)->text(),
                 lessonLine);
    }

    // What the attack could not do, or could not be sure of, is said in words.
    void attackExplainsItsOutcome_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("crib");
        QTest::addColumn<QString>("status");
        QTest::newRow("empty") << QString() << QString()
                               << QStringLiteral("Строка шифртекста пуста");
        QTest::newRow("nothing the cipher changes")
            << QStringLiteral("2024,Ёё;Latin") << QString()
            << QStringLiteral("В строке шифртекста нет ни одного");
        QTest::newRow("crib longer than the line")
            << gammaTransform(QStringLiteral("МЫ ШЛИ"), 5, 3, 7) << QStringLiteral("МЫ ШЛИ ДОМОЙ")
            << QStringLiteral("Ни один ключ не даёт текст, который содержит «МЫ ШЛИ ДОМОЙ».");
        QTest::newRow("short") << gammaTransform(QStringLiteral("МЫ ШЛИ ДОМОЙ"), 5, 3, 7)
                               << QString() << QStringLiteral("Внимание: в строке мало букв");
        QTest::newRow("proven first")
            << gammaTransform(QStringLiteral("ПИСЬМО ПРИШЛО ТОЛЬКО ЧЕРЕЗ НЕДЕЛЮ"), 12345, 678, 9999)
            << QString() << QStringLiteral("Поиск доведён до конца");
    }

    void attackExplainsItsOutcome()
    {
        QFETCH(QString, line);
        QFETCH(QString, crib);
        QFETCH(QString, status);
        child<QLineEdit>(window.get(), "lineField")->setText(line);
        child<QLineEdit>(window.get(), "cribField")->setText(crib);
        runAttack();
        const QString shown = child<QLabel>(window.get(), "attackStatus")->text();
        QVERIFY2(shown.contains(status), qPrintable(shown));
    }

    // Ctrl+C in a table copies the selected rows, all of them when none is, under the header.
    void copyGivesTheRows_data()
    {
        QTest::addColumn<int>("selected"); // −1: none
        QTest::addColumn<QStringList>("lines");
        const QString header = QStringLiteral("i\tСимвол\tКод\tКод (2)\tT(i)\tГамма (2)\tКод "
                                              "итога\tИтог\tОтметка");
        // Under 1, 1, 0 the generator counts 0, 1, 2, ...: the gamma is the position.
        const QString first = QStringLiteral("0\tа\t1\t00001\t0\t00000\t1\tА\tначало цикла λ = 32");
        const QString second = QStringLiteral("1\tб\t2\t00010\t1\t00001\t3\tВ\tцикл λ");
        const QString third = QStringLiteral("2\t7\t—\t—\t2\t00010\t—\t7\tцикл λ; вне алфавита: "
                                             "проходит без изменений");
        QTest::newRow("one row") << 1 << QStringList{header, second};
        QTest::newRow("no selection") << -1 << QStringList{header, first, second, third};
    }

    void copyGivesTheRows()
    {
        QFETCH(int, selected);
        QFETCH(QStringList, lines);
        window->setKey(GammaKey{1, 1, 0});
        child<QLineEdit>(window.get(), "lineField")->setText(QStringLiteral("аб7"));
        auto *table = child<QTableView>(window.get(), "gammaTable");
        table->clearSelection();
        if (selected >= 0)
            table->selectRow(selected);
        table->setFocus();
        QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text().split(QLatin1Char('\n')), lines << QString());
    }

    // The bars are the shares counted directly: the line, the line under the key, the model.
    void frequencyBarsMatchTheCounts_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<GammaKey>("key");
        QTest::newRow("prose") << lessonLine << GammaKey{5, 3, 7};
        QTest::newRow("gamma 0 leaks") << letterLine << GammaKey{0, 0, 0};
        QTest::newRow("mixed case, outside")
            << QStringLiteral("Ёж и йод, 2024 г.; Latin") << GammaKey{-7, 123456789, 2000000000};
        QTest::newRow("nothing to count") << QStringLiteral("2024 Ё") << GammaKey{5, 3, 7};
    }

    void frequencyBarsMatchTheCounts()
    {
        QFETCH(QString, line);
        QFETCH(GammaKey, key);
        window->setKey(key);
        child<QLineEdit>(window.get(), "lineField")->setText(line);
        const QList<QBarSet *> sets = frequencySeries(window.get())->barSets();
        QCOMPARE(sets.size(), 3);
        const QVector<double> plain = sharesCounted(line);
        const QVector<double> cipher = sharesCounted(gammaTransform(line, key.a, key.c, key.t0));
        for (int code = 0; code < alphabetSize; ++code) {
            QCOMPARE(sets[0]->at(code), plain[code]);
            QCOMPARE(sets[1]->at(code), cipher[code]);
            QCOMPARE(sets[2]->at(code), 100.0 * analysis::modelSymbolShare(code));
        }
    }
};

QTEST_MAIN(TestLab)
#include "tst_lab.moc"
