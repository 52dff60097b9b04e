// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "key.h"

#include "ui_key.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

bool isDigitString(QString text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : qAsConst(text)) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    }
    return true;
}

std::optional<qint32> keyNumber(const QString &text)
{
    if (!isDigitString(text))
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

key::key(QWidget *parent) : QDialog(parent), ui(new Ui_key)
{
    ui->setupUi(this);

    // Screen readers hear each field's name and its label. Set here rather than in the form, so
    // that the form's retranslateUi keeps exactly the dialog's own texts; the labels hold no
    // '&', so their buddies add no mnemonic.
    ui->label_2->setBuddy(ui->lineEdit);
    ui->label_3->setBuddy(ui->lineEdit_2);
    ui->label_4->setBuddy(ui->lineEdit_3);
    ui->lineEdit->setAccessibleName(QStringLiteral("A"));
    ui->lineEdit->setAccessibleDescription(QStringLiteral("множитель"));
    ui->lineEdit_2->setAccessibleName(QStringLiteral("C"));
    ui->lineEdit_2->setAccessibleDescription(QStringLiteral("приращение"));
    ui->lineEdit_3->setAccessibleName(QStringLiteral("T0"));
    ui->lineEdit_3->setAccessibleDescription(QStringLiteral("начальное значение"));
}

key::~key()
{
    delete ui;
}

bool key::checkKey()
{
    const QString first = ui->lineEdit->text();
    const QString second = ui->lineEdit_2->text();
    const QString third = ui->lineEdit_3->text();

    std::optional<qint32> a, c, t0;
    if ((a = keyNumber(first)) && (c = keyNumber(second)) && (t0 = keyNumber(third))) {
        A = *a;
        C = *c;
        T0 = *t0;
        return true;
    }

    A = 0;
    C = 0;
    T0 = 0;
    ui->lineEdit->clear();
    ui->lineEdit_2->clear();
    ui->lineEdit_3->clear();
    QMessageBox::critical(this, QStringLiteral("Ошибка"),
                          QStringLiteral("Значение ключа неправильное"), QMessageBox::Ok,
                          QMessageBox::NoButton);
    return false;
}

GammaKey gammaKey(const key &dialog)
{
    return GammaKey{dialog.A, dialog.C, dialog.T0};
}
