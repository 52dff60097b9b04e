// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_LAB_LABWINDOW_H
#define GAMMACRYPT_LAB_LABWINDOW_H

#include "gammakey.h"

#include <QMainWindow>

class AttackPage;
class FrequencyPage;
class GammaPage;
class KeyPage;
class QHBoxLayout;
class QLineEdit;
class QSpinBox;
class QTabWidget;

// The second half of the lesson: one line and one key, seen as keystream, key analysis,
// frequencies and an attack.
class LabWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit LabWindow(QWidget *parent = nullptr);

    // Takes the file's first line; on failure tells the user why and keeps the line as it was.
    bool openFile(const QString &path);

    QString line() const;
    GammaKey key() const;
    void setKey(const GammaKey &key);

    // Lines are shown character by character; longer ones are refused when read.
    static constexpr int longestLine = 1000000;

private:
    QWidget *buildInputs();
    QSpinBox *addKeyField(const QString &title, const QString &name, QHBoxLayout *row);
    void chooseFile();
    void showKeyOnGamma(const GammaKey &key);
    void refreshPages();
    void showError(const QString &text);

    QLineEdit *lineField = nullptr;
    QSpinBox *aField = nullptr;
    QSpinBox *cField = nullptr;
    QSpinBox *t0Field = nullptr;
    QTabWidget *pages = nullptr;
    GammaPage *gammaPage = nullptr;
    KeyPage *keyPage = nullptr;
    FrequencyPage *frequencyPage = nullptr;
    AttackPage *attackPage = nullptr;
    bool settingKey = false;
};

#endif // GAMMACRYPT_LAB_LABWINDOW_H
