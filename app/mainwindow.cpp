// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "mainwindow.h"

#include "documentio.h"
#include "filenames.h"
#include "gamma.h"
#include "key.h"
#include "textlayout.h"
#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString fileFilter = QStringLiteral("*.txt");

// The dialog shows bytes it cannot decode as U+FFFD; going back to bytes would then name
// another file, or none.
const QString inexactName = QStringLiteral(
    "имя файла не передаётся системе без искажений (в нём знаки, которых нет в кодировке "
    "имён файлов), и открыт или записан мог бы оказаться другой файл; переименуйте файл или "
    "выберите другое имя");

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui_MainWindow)
{
    ui->setupUi(this);
    ui->textEdit->setDisabled(true);
    // Lines with no break opportunity would otherwise take quadratic time to lay out.
    new textlayout::WrapModeKeeper(ui->textEdit);

    // For screen readers; set here so that the form's retranslateUi keeps only its own texts.
    ui->textEdit->setAccessibleName(QStringLiteral("Текст"));
    ui->textEdit->setAccessibleDescription(
        QStringLiteral("Шифруется, расшифровывается и сохраняется в файл последняя строка "
                       "текста; результат дописывается новой строкой."));
    ui->mainToolBar->setAccessibleName(QStringLiteral("Панель инструментов"));
    ui->statusBar->setAccessibleName(QStringLiteral("Строка состояния"));

    QAction *exitItem = ui->menuBar->addAction(QStringLiteral("Выход"));
    connect(exitItem, &QAction::triggered, this, &MainWindow::actionTriggered);

    ui->menu_2->setDisabled(true);
    ui->menu_3->setDisabled(true);
    ui->action_16->setEnabled(false);
    ui->action_3->setEnabled(false);
    ui->action_4->setEnabled(false);
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::actionTriggered()
{
    close();
}

// New
void MainWindow::on_action_triggered()
{
    ui->textEdit->clear();
    resetWorkingState();
    enableDocumentCommands(); // Save stays as it was: only Open gives it a file
}

// Open
void MainWindow::on_action_2_triggered()
{
    const QString chosen =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Dialog"), QString(), fileFilter);
    if (chosen.isEmpty())
        return;
    if (!documentio::isExactName(chosen)) {
        showFileError(QStringLiteral("Не удалось открыть файл"), chosen, inexactName);
        return;
    }

    const documentio::ReadResult read = documentio::readDocument(chosen);
    if (!read.ok) {
        showFileError(QStringLiteral("Не удалось открыть файл"), chosen, read.error);
        return;
    }
    const textlayout::TooLongLine tooLong =
        textlayout::findLineTooLongToShow(*ui->textEdit, read.text);
    if (tooLong.number != 0) {
        showFileError(QStringLiteral("Не удалось открыть файл"), chosen, tooLong.message());
        return;
    }

    fileName = chosen;
    ui->textEdit->setPlainText(read.text);
    resetWorkingState();
    enableDocumentCommands();
    ui->action_3->setEnabled(true);
}

// Save
void MainWindow::on_action_3_triggered()
{
    saveLastLineTo(fileName);
}

// Save As
void MainWindow::on_action_4_triggered()
{
    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Dialog"), QString(), fileFilter);
    if (chosen == QString())
        return;
    if (!documentio::isExactName(chosen)) {
        showFileError(QStringLiteral("Не удалось сохранить файл"), chosen, inexactName);
        return;
    }
    saveLastLineTo(chosen);
}

void MainWindow::on_action_6_triggered()
{
    close();
}

void MainWindow::on_action_7_triggered()
{
    showNotImplemented();
}

void MainWindow::on_action_8_triggered()
{
    showNotImplemented();
}

// Encrypt
void MainWindow::on_action_9_triggered()
{
    runGammaCommand(plainText, cipherText);
}

void MainWindow::on_action_10_triggered()
{
    showNotImplemented();
}

void MainWindow::on_action_11_triggered()
{
    showNotImplemented();
}

void MainWindow::on_action_12_triggered()
{
    showNotImplemented();
}

// Decrypt
void MainWindow::on_action_13_triggered()
{
    runGammaCommand(cipherText, plainText);
}

void MainWindow::on_action_14_triggered()
{
    showNotImplemented();
}

// About
void MainWindow::on_action_15_triggered()
{
    QMessageBox::information(
        this, QStringLiteral("О программе"),
        QStringLiteral("Программа реализует метод шифрования сообщения с помощью гаммирование на "
                       "основе псевдослучайных чисел.\n"
                       "gammacrypt — учебная программа; авторы — команда разработчиков "
                       "gammacrypt.\n"),
        QMessageBox::Ok, QMessageBox::NoButton);
}

// Help
void MainWindow::on_action_16_triggered()
{
    QMessageBox::information(
        this, QStringLiteral("Помощь"),
        QStringLiteral(
            "Гаммирование на основе псевдослучайных чисел.\n"
            "Гаммирование – метод криптографического преобразования, заключающийся в том, что "
            "символы шифруемого текста складываются с символами некоторой случайной "
            "последовательности,\n"
            "называемой гаммой шифра или ключевой гаммой.\n"
            "Псевдослучайные последовательности, построенные на основе линейного конгруэнтного "
            "датчика псевдослучайных чисел (ПСЧ).\n"
            "Он вырабатывает последовательности псевдослучайных чисел T(i), описываемые "
            "соотношением T(i+1) = (A·T(i)+C) mod m,\n"
            "где А и С – константы, Т(0) – исходная величина, выбранная в качестве "
            "порождающего числа.\n"
            "Эти три величины и образуют ключ."),
        QMessageBox::Ok, QMessageBox::NoButton);
}

void MainWindow::fullTableHR()
{
    fillAlphabet(alphabet);
}

void MainWindow::enableDocumentCommands()
{
    ui->textEdit->setEnabled(true);
    ui->menu_2->setEnabled(true);
    ui->menu_3->setEnabled(true);
    ui->action_16->setEnabled(true);
    ui->action_4->setEnabled(true);
}

void MainWindow::resetWorkingState()
{
    plainText.clear();
    cipherText.clear();
    textLength = 0;
}

void MainWindow::saveLastLineTo(const QString &path)
{
    const documentio::EncodedLine line =
        documentio::encodeWindows1251(documentio::lastLine(editorText()));
    const QString error = documentio::writeDocument(path, line.bytes);
    if (!error.isEmpty()) {
        showFileError(QStringLiteral("Не удалось сохранить файл"), path, error);
        return;
    }
    if (line.unrepresentable > 0) {
        QMessageBox::warning(
            this, QStringLiteral("Предупреждение"),
            QStringLiteral("Файл сохранён, но символов, которых нет в кодировке Windows-1251: "
                           "%1. Они записаны неточно.")
                .arg(line.unrepresentable),
            QMessageBox::Ok, QMessageBox::NoButton);
    }
}

// The editing area's text with no-break spaces kept: toPlainText turns them into ordinary
// spaces, which would change the user's text on Save and in the cipher line.
QString MainWindow::editorText() const
{
    return ui->textEdit->document()->toRawText();
}

void MainWindow::showFileError(const QString &what, const QString &path, const QString &reason)
{
    QMessageBox::critical(this, QStringLiteral("Ошибка"),
                          QStringLiteral("%1 «%2»: %3").arg(what, path, reason), QMessageBox::Ok,
                          QMessageBox::NoButton);
}

void MainWindow::showNotImplemented()
{
    QMessageBox::warning(this, QStringLiteral("Предупреждение"),
                         QStringLiteral("Указанный метод не реализован"), QMessageBox::Ok,
                         QMessageBox::NoButton);
}

// Encrypt and Decrypt are one procedure with the roles of the two working strings swapped.
void MainWindow::runGammaCommand(QString &source, QString &result)
{
    fullTableHR();
    source = documentio::lastLine(editorText());
    textLength = source.size();

    key dialog;
    dialog.show();
    if (!runKeyLoop(dialog, result))
        return;

    if (textLength == 0) {
        appendParagraph(result);
        return;
    }
    const GammaKey gamma = gammaKey(dialog);
    result = gammaTransform(source, gamma.a, gamma.c, gamma.t0);
    if (fitsBelowText(result))
        appendParagraph(result);
}

// The key loop: in Ask an accepted key is validated; a cancel or an invalid key leads to
// Retry, where a second cancel gives up and an accept asks again.
bool MainWindow::runKeyLoop(key &dialog, QString &result)
{
    bool retrying = false;
    for (;;) {
        const bool accepted = dialog.exec() == QDialog::Accepted;
        if (retrying) {
            if (!accepted)
                return false;
            retrying = false;
            continue;
        }
        const bool valid = accepted && dialog.checkKey();
        result.clear();
        if (valid)
            return true;
        retrying = true;
    }
}

// A result line that the editing area could not lay out below the text would freeze the
// window: it is reported instead of shown.
bool MainWindow::fitsBelowText(const QString &line)
{
    const textlayout::TooLongLine tooLong = textlayout::findLineTooLongToShow(
        *ui->textEdit, editorText() + QChar(QChar::ParagraphSeparator) + line);
    if (tooLong.number == 0)
        return true;
    QMessageBox::critical(this, QStringLiteral("Ошибка"),
                          QStringLiteral("Результат не показан: %1").arg(tooLong.message()),
                          QMessageBox::Ok, QMessageBox::NoButton);
    return false;
}

// Appends a paragraph the way QTextEdit::append does, but always as plain text: a cipher
// line may hold "<", ">" and "&", and must stand in the editing area exactly as computed.
void MainWindow::appendParagraph(const QString &line)
{
    QTextEdit *edit = ui->textEdit;
    const bool atBottom = edit->textCursor().atEnd();

    QTextCursor cursor(edit->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (!edit->document()->isEmpty())
        cursor.insertBlock(edit->textCursor().blockFormat(), edit->textCursor().charFormat());
    else
        cursor.setCharFormat(edit->textCursor().charFormat());
    cursor.insertText(line);
    cursor.endEditBlock();

    if (atBottom)
        edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
}
