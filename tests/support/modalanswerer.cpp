#include "modalanswerer.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start();
}

void ModalAnswerer::expect(Answer answer)
{
    answers.push_back(std::move(answer));
}

void ModalAnswerer::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (lastAnswered && !lastAnswered->isVisible())
        lastAnswered = nullptr;
    if (!dialog || !dialog->isVisible() || dialog == lastAnswered)
        return;

    lastAnswered = dialog;
    titles << dialog->windowTitle();
    if (const auto *box = qobject_cast<QMessageBox *>(dialog))
        texts << box->text();
    else
        texts << QString();

    if (answers.empty()) {
        recordedProblems << QStringLiteral("unexpected dialog \"%1\" (%2)")
                                .arg(dialog->windowTitle(),
                                     QString::fromLatin1(dialog->metaObject()->className()));
        dialog->close();
        return;
    }
    const Answer next = std::move(answers.front());
    answers.pop_front();
    next(dialog);
    if (dialog->isVisible() && QApplication::activeModalWidget() == dialog) {
        recordedProblems << QStringLiteral("answer left \"%1\" open").arg(dialog->windowTitle());
        dialog->close();
    }
}

namespace answer {

ModalAnswerer::Answer messageBoxOk()
{
    return [](QWidget *dialog) {
        if (auto *box = qobject_cast<QMessageBox *>(dialog)) {
            if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
        }
    };
}

ModalAnswerer::Answer keyAccept(const QString &a, const QString &c, const QString &t0)
{
    return [a, c, t0](QWidget *dialog) {
        const QStringList names{QStringLiteral("lineEdit"), QStringLiteral("lineEdit_2"),
                                QStringLiteral("lineEdit_3")};
        const QStringList values{a, c, t0};
        for (int i = 0; i < names.size(); ++i) {
            if (auto *field = dialog->findChild<QLineEdit *>(names[i])) {
                field->clear();
                QTest::keyClicks(field, values[i]);
            }
        }
        if (auto *buttons = dialog->findChild<QDialogButtonBox *>())
            buttons->button(QDialogButtonBox::Ok)->click();
    };
}

ModalAnswerer::Answer cancel()
{
    return [](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); };
}

ModalAnswerer::Answer chooseFile(const QString &path)
{
    return [path](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        if (!files)
            return;
        // The open dialog refuses names that do not exist; tests of read failures need them.
        if (files->acceptMode() == QFileDialog::AcceptOpen)
            files->setFileMode(QFileDialog::AnyFile);
        files->selectFile(path);
        files->accept();
    };
}

} // namespace answer
