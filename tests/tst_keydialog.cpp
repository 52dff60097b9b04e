#include "key.h"
#include "modalanswerer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

class TestKeyDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formLooksAsDrawn();
    void isDigitStringAcceptsOnlyAsciiDigitRuns_data();
    void isDigitStringAcceptsOnlyAsciiDigitRuns();
    void checkKeyConvertsOrRefuses_data();
    void checkKeyConvertsOrRefuses();
    void enterAcceptsAndEscapeCancels_data();
    void enterAcceptsAndEscapeCancels();

private:
    QLineEdit *field(int index) const;
    void fill(const QString &a, const QString &c, const QString &t0);

    std::unique_ptr<key> dialog;
    std::unique_ptr<ModalAnswerer> answerer;
};

void TestKeyDialog::init()
{
    dialog = std::make_unique<key>();
    answerer = std::make_unique<ModalAnswerer>();
}

void TestKeyDialog::cleanup()
{
    QCOMPARE(answerer->problems().join(QLatin1String("; ")), QString());
    QCOMPARE(answerer->pending(), 0);
    answerer.reset();
    dialog.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

QLineEdit *TestKeyDialog::field(int index) const
{
    static const char *const names[] = {"lineEdit", "lineEdit_2", "lineEdit_3"};
    return dialog->findChild<QLineEdit *>(QLatin1String(names[index]));
}

void TestKeyDialog::fill(const QString &a, const QString &c, const QString &t0)
{
    field(0)->setText(a);
    field(1)->setText(c);
    field(2)->setText(t0);
}

void TestKeyDialog::formLooksAsDrawn()
{
    QCOMPARE(dialog->objectName(), QStringLiteral("key"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Ключ"));
    QCOMPARE(dialog->size(), QSize(289, 303));
    QCOMPARE(dialog->font().family(), QStringLiteral("Times New Roman"));
    QCOMPARE(dialog->font().pointSize(), 14);
    QCOMPARE(dialog->A, 0);
    QCOMPARE(dialog->C, 0);
    QCOMPARE(dialog->T0, 0);

    auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(buttons);
    QCOMPARE(buttons->geometry(), QRect(-140, 220, 391, 71));
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    const QRect fields[] = {{50, 80, 191, 31}, {50, 130, 191, 31}, {50, 180, 191, 31}};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(field(i)->geometry(), fields[i]);
        QCOMPARE(field(i)->font().pointSize(), 12);
        QCOMPARE(field(i)->font().family(), QStringLiteral("Times New Roman"));
        QVERIFY(field(i)->text().isEmpty());
        QVERIFY(!field(i)->validator());
    }

    const struct
    {
        const char *name;
        QRect geometry;
        QString text;
        int pointSize;
    } labels[] = {
        {"label", {30, 40, 341, 21}, QStringLiteral("Введите три целых числа:"), 12},
        {"label_2", {20, 80, 55, 31}, QStringLiteral("A:"), 14},
        {"label_3", {20, 130, 55, 31}, QStringLiteral("C:"), 14},
        {"label_4", {10, 180, 55, 31}, QStringLiteral("T0:"), 14},
    };
    for (const auto &expected : labels) {
        auto *label = dialog->findChild<QLabel *>(QLatin1String(expected.name));
        QVERIFY2(label, expected.name);
        QCOMPARE(label->geometry(), expected.geometry);
        QCOMPARE(label->text(), expected.text);
        QCOMPARE(label->font().pointSize(), expected.pointSize);
    }
}

void TestKeyDialog::isDigitStringAcceptsOnlyAsciiDigitRuns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("digits");

    QTest::newRow("empty") << "" << false;
    QTest::newRow("zero") << "0" << true;
    QTest::newRow("all ten digits") << "0123456789" << true;
    QTest::newRow("minus") << "-5" << false;
    QTest::newRow("plus") << "+5" << false;
    QTest::newRow("space before") << " 5" << false;
    QTest::newRow("space after") << "5 " << false;
    QTest::newRow("decimal point") << "1.5" << false;
    QTest::newRow("exponent") << "1e5" << false;
    QTest::newRow("hexadecimal") << "0x1F" << false;
    QTest::newRow("full-width digit") << QString::fromUtf8("１２") << false;
    QTest::newRow("Arabic-Indic digit") << QString::fromUtf8("٣") << false;
    QTest::newRow("superscript two") << QString::fromUtf8("²") << false;
    QTest::newRow("NUL after digit") << QString::fromLatin1("5\0", 2) << false;
}

void TestKeyDialog::isDigitStringAcceptsOnlyAsciiDigitRuns()
{
    QFETCH(QString, text);
    QFETCH(bool, digits);
    QCOMPARE(isDigitString(text), digits);
}

void TestKeyDialog::checkKeyConvertsOrRefuses_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("c");
    QTest::addColumn<QString>("t0");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("expectedA");
    QTest::addColumn<int>("expectedC");
    QTest::addColumn<int>("expectedT0");

    QTest::newRow("small numbers") << "5"
                                   << "3"
                                   << "7" << true << 5 << 3 << 7;
    QTest::newRow("three zeros") << "0"
                                 << "0"
                                 << "0" << true << 0 << 0 << 0;
    QTest::newRow("leading zeros") << "0000000000042"
                                   << "007"
                                   << "00" << true << 42 << 7 << 0;
    QTest::newRow("largest value") << "2147483647"
                                   << "1"
                                   << "2147483647" << true << 2147483647 << 1 << 2147483647;
    QTest::newRow("one past the largest") << "2147483648"
                                          << "1"
                                          << "1" << false << 0 << 0 << 0;
    QTest::newRow("long digit run in the last field")
        << "1"
        << "1"
        << "99999999999999999999" << false << 0 << 0 << 0;
    QTest::newRow("empty first field") << ""
                                       << "1"
                                       << "1" << false << 0 << 0 << 0;
    QTest::newRow("negative") << "-1"
                              << "1"
                              << "1" << false << 0 << 0 << 0;
    QTest::newRow("plus sign") << "1"
                               << "+1"
                               << "1" << false << 0 << 0 << 0;
    QTest::newRow("space inside") << "1"
                                  << "1"
                                  << "1 2" << false << 0 << 0 << 0;
    QTest::newRow("decimal point") << "1.0"
                                   << "1"
                                   << "1" << false << 0 << 0 << 0;
    QTest::newRow("hexadecimal") << "1"
                                 << "0x10"
                                 << "1" << false << 0 << 0 << 0;
    QTest::newRow("full-width digit") << "1"
                                      << "1" << QString::fromUtf8("５") << false << 0 << 0 << 0;
}

void TestKeyDialog::checkKeyConvertsOrRefuses()
{
    QFETCH(QString, a);
    QFETCH(QString, c);
    QFETCH(QString, t0);
    QFETCH(bool, valid);
    QFETCH(int, expectedA);
    QFETCH(int, expectedC);
    QFETCH(int, expectedT0);

    dialog->A = dialog->C = dialog->T0 = -1; // whatever a previous call left
    fill(a, c, t0);
    if (!valid)
        answerer->expect(answer::messageBoxOk());

    QCOMPARE(dialog->checkKey(), valid);
    QCOMPARE(dialog->A, expectedA);
    QCOMPARE(dialog->C, expectedC);
    QCOMPARE(dialog->T0, expectedT0);
    if (valid) {
        QVERIFY(answerer->seenTitles().isEmpty());
        QCOMPARE(field(0)->text(), a);
        QCOMPARE(field(1)->text(), c);
        QCOMPARE(field(2)->text(), t0);
    } else {
        QCOMPARE(answerer->seenTitles(), QStringList{QStringLiteral("Ошибка")});
        QCOMPARE(answerer->seenTexts(), QStringList{QStringLiteral("Значение ключа неправильное")});
        for (int i = 0; i < 3; ++i)
            QVERIFY(field(i)->text().isEmpty());
    }
}

void TestKeyDialog::enterAcceptsAndEscapeCancels_data()
{
    QTest::addColumn<int>("fieldIndex");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("result");

    for (int i = 0; i < 3; ++i) {
        QTest::addRow("Enter in field %d", i + 1)
            << i << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::addRow("Esc in field %d", i + 1)
            << i << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
}

void TestKeyDialog::enterAcceptsAndEscapeCancels()
{
    QFETCH(int, fieldIndex);
    QFETCH(int, keyCode);
    QFETCH(int, result);

    answerer->expect([this, fieldIndex, keyCode](QWidget *) {
        field(fieldIndex)->setFocus();
        QTest::keyClick(field(fieldIndex), Qt::Key(keyCode));
    });
    dialog->show();
    QCOMPARE(dialog->exec(), result);
}

QTEST_MAIN(TestKeyDialog)
#include "tst_keydialog.moc"
