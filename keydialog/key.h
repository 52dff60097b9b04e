// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_KEY_H
#define GAMMACRYPT_KEY_H

#include "gammakey.h"

#include <QDialog>
#include <QString>
#include <QtGlobal>

#include <optional>

class Ui_key;

// True when text is non-empty and made only of the ASCII digits 0..9.
bool isDigitString(QString text);

// The value of one key field, or none when it is not a digit run or exceeds 2147483647
// (leading zeros are fine at any length).
std::optional<qint32> keyNumber(const QString &text);

// The modal dialog that asks for the three numbers of the gamma key. OK and Cancel only
// end the run; checkKey judges and converts what was typed.
class key : public QDialog
{
    Q_OBJECT

public:
    explicit key(QWidget *parent = nullptr);
    ~key() override;

    // Converts the three fields into A, C and T0 and returns true, or, when any field is
    // not a digit run within 0..2147483647, zeroes the key, empties all three fields,
    // tells the user and returns false.
    bool checkKey();

    qint32 A = 0;
    qint32 C = 0;
    qint32 T0 = 0;

private:
    Ui_key *ui;
};

// The key the dialog holds, in the form the cipher and the analysis take: the one place
// where the dialog's A, C and T0 become a GammaKey.
GammaKey gammaKey(const key &dialog);

#endif // GAMMACRYPT_KEY_H
