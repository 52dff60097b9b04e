#include "key.h"

#include "ui_key.h"

#include <QMessageBox>

#include <optional>

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

namespace {

// The value of one key field, or none when it is not a digit run or does not fit in
// 0..2147483647 (leading zeros are fine at any length).
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

} // namespace

key::key(QWidget *parent) : QDialog(parent), ui(new Ui_key)
{
    ui->setupUi(this);
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
