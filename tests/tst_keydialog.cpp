// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "key.h"
#include "modalanswerer.h"

#include <QApplication>
#include <QDebug>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QTest>

#include <memory>

class TestKeyDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formLooksAsDrawn();
    void keyFieldText_data();
    void keyFieldText();
    void enterAcceptsAndEscapeCancels();

private:
    QLineEdit *field(int index) const { return dialog->findChildren<QLineEdit *>().value(index); }

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

void TestKeyDialog::formLooksAsDrawn()
{
    QCOMPARE(dialog->objectName(), QStringLiteral("key"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Ключ"));
    QCOMPARE(dialog->size(), QSize(289, 303));
    QCOMPARE(dialog->font().pointSize(), 14);
    QVERIFY(dialog->A == 0 && dialog->C == 0 && dialog->T0 == 0);

    QCOMPARE(dialog->findChild<QDialogButtonBox *>()->standardButtons(),
             QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!field(i)->validator()); // any text can be typed; checkKey judges it

    // The eight widgets in member order.
    QStringList drawn;
    for (QWidget *w : dialog->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        drawn << QString();
        QDebug(&drawn.last()).noquote() << w->objectName() << w->geometry() << w->font().family()
                                        << w->font().pointSize() << w->property("text").toString();
    }
    // Name, geometry, font, text, each followed by a space.
    QCOMPARE(drawn,
             (QStringList{"buttonBox QRect(-140,220 391x71) Times New Roman 12  ",
                          "lineEdit QRect(50,80 191x31) Times New Roman 12  ",
                          "label QRect(30,40 341x21) Times New Roman 12 Введите три целых числа: ",
                          "lineEdit_2 QRect(50,130 191x31) Times New Roman 12  ",
                          "lineEdit_3 QRect(50,180 191x31) Times New Roman 12  ",
                          "label_2 QRect(20,80 55x31) Times New Roman 14 A: ",
                          "label_3 QRect(20,130 55x31) Times New Roman 14 C: ",
                          "label_4 QRect(10,180 55x31) Times New Roman 14 T0: "}));
}

// One field's text (the other two hold "1"): what isDigitString says of it, and the number
// checkKey makes of it, or -1 when it refuses the key.
void TestKeyDialog::keyFieldText_data()
{
    QTest::addColumn<int>("fieldIndex");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("digits");
    QTest::addColumn<int>("number");

    QTest::newRow("empty") << 0 << "" << false << -1;
    QTest::newRow("zero") << 1 << "0" << true << 0;
    QTest::newRow("all ten digits") << 2 << "0123456789" << true << 123456789;
    QTest::newRow("leading zeros") << 0 << "0000000000042" << true << 42;
    QTest::newRow("largest") << 2 << "2147483647" << true << 2147483647;
    QTest::newRow("one past the largest") << 0 << "2147483648" << true << -1;
    QTest::newRow("long digit run") << 2 << "99999999999999999999" << true << -1;
    QTest::newRow("minus") << 0 << "-5" << false << -1;
    QTest::newRow("plus") << 1 << "+5" << false << -1;
    QTest::newRow("space before") << 2 << " 5" << false << -1;
    QTest::newRow("space inside") << 2 << "1 2" << false << -1;
    QTest::newRow("decimal point") << 0 << "1.5" << false << -1;
    QTest::newRow("exponent") << 1 << "1e5" << false << -1;
    QTest::newRow("hexadecimal") << 1 << "0x1F" << false << -1;
    QTest::newRow("full-width digits") << 2 << "１２" << false << -1;
    QTest::newRow("Arabic-Indic digit") << 0 << "٣" << false << -1;
    QTest::newRow("superscript two") << 1 << "²" << false << -1;
    QTest::newRow("NUL after digit") << 2 << QString::fromLatin1("5\0", 2) << false << -1;
}

void TestKeyDialog::keyFieldText()
{
    QFETCH(int, fieldIndex);
    QFETCH(QString, text);
    QFETCH(bool, digits);
    QFETCH(int, number);

    QCOMPARE(isDigitString(text), digits);
    const auto typed = [&](int i) { return i == fieldIndex ? text : QStringLiteral("1"); };
    for (int i = 0; i < 3; ++i)
        field(i)->setText(typed(i));
    dialog->A = dialog->C = dialog->T0 = -1; // whatever a previous call left
    const bool valid = number >= 0;
    if (!valid)
        answerer->expect(answer::messageBoxOk());

    QCOMPARE(dialog->checkKey(), valid);
    const auto expected = [&](int i) { return !valid ? 0 : i == fieldIndex ? number : 1; };
    const qint32 keyValues[] = {dialog->A, dialog->C, dialog->T0};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(keyValues[i], expected(i));
        QCOMPARE(field(i)->text(), valid ? typed(i) : QString());
    }
    // What the window enciphers with: each field in its place.
    QVERIFY(gammaKey(*dialog) == (GammaKey{expected(0), expected(1), expected(2)}));
    // The message, once and only for a refused key.
    const QStringList message{QStringLiteral("Ошибка"),
                              QStringLiteral("Значение ключа неправильное")};
    QCOMPARE(answerer->seenTitles() + answerer->seenTexts(), valid ? QStringList() : message);
}

// Enter in any field accepts (OK is the default button); Esc cancels.
void TestKeyDialog::enterAcceptsAndEscapeCancels()
{
    for (int i = 0; i < 4; ++i) {
        const Qt::Key pressed = i < 3 ? Qt::Key_Return : Qt::Key_Escape;
        QLineEdit *edit = field(i % 3);
        answerer->expect([edit, pressed](QWidget *) {
            edit->setFocus();
            QTest::keyClick(edit, pressed);
        });
        dialog->show();
        QCOMPARE(dialog->exec(), i < 3 ? QDialog::Accepted : QDialog::Rejected);
    }
}

QTEST_MAIN(TestKeyDialog)
#include "tst_keydialog.moc"
