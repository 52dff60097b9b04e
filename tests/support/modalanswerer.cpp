// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "modalanswerer.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

ModalAnswerer::ModalAnswerer(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

void ModalAnswerer::expect(Answer answer)
{
    answers.push_back(std::move(answer));
}

bool ModalAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide)
        answered.remove(watched);
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->isWindow()) {
        // Queued, so that the answer runs inside the dialog's own event loop. A window
        // shown first and run modally right after (the key dialog) is modal by then.
        const QPointer<QWidget> window(static_cast<QWidget *>(watched));
        QTimer::singleShot(0, this, [this, window] {
            // One showing can bring more than one Show event; it gets one answer.
            if (window && window->isVisible() && window->isModal() &&
                !answered.contains(window.data()))
                answer(window);
        });
    }
    return QObject::eventFilter(watched, event);
}

void ModalAnswerer::answer(QWidget *dialog)
{
    answered.insert(dialog);
    titles << dialog->windowTitle();
    const auto *box = qobject_cast<QMessageBox *>(dialog);
    texts << (box ? box->text() : QString());

    if (answers.empty()) {
        recordedProblems << QStringLiteral("unexpected dialog \"%1\" (%2)")
                                .arg(dialog->windowTitle(),
                                     QString::fromLatin1(dialog->metaObject()->className()));
        dialog->close();
        return;
    }
    const Answer next = std::move(answers.front());
    answers.pop_front();
    const QPointer<QWidget> guard(dialog);
    next(dialog);
    if (guard && guard->isVisible() && QApplication::activeModalWidget() == guard) {
        recordedProblems << QStringLiteral("answer left \"%1\" open").arg(guard->windowTitle());
        guard->close();
    }
}

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\n'))
            QTest::keyClick(widget, Qt::Key_Return);
        else if (ch.unicode() >= 0x20 && ch.unicode() < 0x7F)
            QTest::keyClick(widget, char(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

namespace answer {

ModalAnswerer::Answer messageBoxOk()
{
    return [](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (QAbstractButton *ok = box ? box->button(QMessageBox::Ok) : nullptr)
            ok->click();
    };
}

ModalAnswerer::Answer keyAccept(const QString &a, const QString &c, const QString &t0)
{
    return [a, c, t0](QWidget *dialog) {
        const QStringList values{a, c, t0};
        const char *names[] = {"lineEdit", "lineEdit_2", "lineEdit_3"};
        for (int i = 0; i < 3; ++i) {
            if (auto *field = dialog->findChild<QLineEdit *>(QLatin1String(names[i]))) {
                field->clear();
                typeText(field, values[i]);
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
        // Ends the dialog as the user's confirmation does, but without the dialog's own
        // checks: tests need names that do not exist, folders and devices.
        files->selectFile(path);
        static_cast<QDialog *>(files)->done(QDialog::Accepted);
    };
}

} // namespace answer
