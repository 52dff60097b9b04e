// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_MODALANSWERER_H
#define GAMMACRYPT_MODALANSWERER_H

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <functional>

// Answers the modal dialogs and message boxes that a command opens with exec(), so that a
// test can trigger the command synchronously. Every showing of a modal window gets the next
// answer, in order, run from inside that window's event loop; an answer must close its
// dialog. A dialog nobody expected, or one an answer left open, is closed and recorded as a
// problem, so a test fails instead of hanging.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<void(QWidget *dialog)>;

    explicit ModalAnswerer(QObject *parent = nullptr);

    void expect(Answer answer);
    int pending() const { return int(answers.size()); }

    // What went wrong so far: unexpected dialogs, answers that left their dialog open.
    const QStringList &problems() const { return recordedProblems; }

    // The texts of every dialog seen, for checks after the command has returned.
    const QStringList &seenTitles() const { return titles; }
    const QStringList &seenTexts() const { return texts; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void answer(QWidget *dialog);

    std::deque<Answer> answers;
    QSet<QObject *> answered; // windows answered in their current showing
    QStringList recordedProblems;
    QStringList titles;
    QStringList texts;
};

// Types text into a widget key by key, as a user would; unlike QTest::keyClicks it also
// types characters that have no ASCII key (Cyrillic); a line feed is the Enter key.
void typeText(QWidget *widget, const QString &text);

// Common answers.
namespace answer {

// Presses the message box's button of the given standard role (Ok by default).
ModalAnswerer::Answer messageBoxOk();

// Types the three key fields of a key dialog and presses OK.
ModalAnswerer::Answer keyAccept(const QString &a, const QString &c, const QString &t0);

// Cancels a dialog (Esc).
ModalAnswerer::Answer cancel();

// Picks a path in a file dialog and accepts it; files need not exist.
ModalAnswerer::Answer chooseFile(const QString &path);

} // namespace answer

#endif // GAMMACRYPT_MODALANSWERER_H
