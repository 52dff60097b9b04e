// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_MAINWINDOW_H
#define GAMMACRYPT_MAINWINDOW_H

#include "alphabet.h"

#include <QMainWindow>
#include <QString>
#include <QtGlobal>

class Ui_MainWindow;
class key;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The commands, in the order of the command table. The name-based ones are connected
    // by the form's set-up.
private slots:
    void actionTriggered();
    void on_action_triggered();
    void on_action_2_triggered();
    void on_action_3_triggered();
    void on_action_4_triggered();
    void on_action_6_triggered();
    void on_action_7_triggered();
    void on_action_8_triggered();
    void on_action_9_triggered();
    void on_action_10_triggered();
    void on_action_11_triggered();
    void on_action_12_triggered();
    void on_action_13_triggered();
    void on_action_14_triggered();
    void on_action_15_triggered();
    void on_action_16_triggered();
    void fullTableHR();

private:
    void enableDocumentCommands();
    void resetWorkingState();
    QString editorText() const;
    void saveLastLineTo(const QString &path);
    void showFileError(const QString &what, const QString &path, const QString &reason);
    void showNotImplemented();
    void runGammaCommand(QString &source, QString &result);
    bool runKeyLoop(key &dialog, QString &result);
    bool fitsBelowText(const QString &line);
    void appendParagraph(const QString &line);

    QString plainText;
    QString cipherText;
    qint32 textLength = 0;
    AlphabetTable alphabet;
    QString fileName;
    Ui_MainWindow *ui;
};

#endif // GAMMACRYPT_MAINWINDOW_H
