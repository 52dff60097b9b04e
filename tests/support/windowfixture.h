// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_WINDOWFIXTURE_H
#define GAMMACRYPT_WINDOWFIXTURE_H

#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

inline QByteArray cp1251(const QString &text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// What every test of the window starts from: the window shown, the answerer for its dialogs and
// a folder of its own for files. Header-only, so that only the tests that drive the window
// need the window's library.
class WindowFixture
{
public:
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<QTemporaryDir> dir;

    void start()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        answerer = std::make_unique<ModalAnswerer>();
        dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid())
            qFatal("no temporary folder");
    }

    // No dialog unexpected or left unanswered, and once the window is gone no top-level widget
    // is left either (every key dialog dies with its command). A failure here fails the test
    // that called it; the next start() clears what was left.
    void finish()
    {
        QCOMPARE(answerer->problems().join(QLatin1String("; ")), QString());
        QCOMPARE(answerer->pending(), 0);
        answerer.reset();
        window.reset();
        dir.reset();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    QAction *action(const char *name) const { return window->findChild<QAction *>(name); }
    QTextEdit *editor() const { return window->findChild<QTextEdit *>(QStringLiteral("textEdit")); }
    void trigger(const char *name) { action(name)->trigger(); }

    // The editing area's text with every character as it stands (toPlainText turns no-break
    // spaces into spaces), paragraphs joined by LF.
    QString shownText() const
    {
        return editor()->document()->toRawText().replace(QChar::ParagraphSeparator,
                                                         QLatin1Char('\n'));
    }

    // New, then the text typed as a user would.
    void newDocument(const QString &text)
    {
        trigger("action");
        typeText(editor(), text);
    }

    void openFile(const QString &path)
    {
        answerer->expect(answer::chooseFile(path));
        trigger("action_2");
    }
    void saveAs(const QString &path)
    {
        answerer->expect(answer::chooseFile(path));
        trigger("action_4");
    }
    void encrypt(int a, int c, int t0) { runGamma("action_9", a, c, t0); }
    void decrypt(int a, int c, int t0) { runGamma("action_13", a, c, t0); }

    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile file(dir->filePath(name));
        if (!QDir().mkpath(QFileInfo(file).path()) || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size())
            qFatal("cannot write the test file");
        return file.fileName();
    }

private:
    void runGamma(const char *command, int a, int c, int t0)
    {
        const auto text = [](int value) { return QString::number(value); };
        answerer->expect(answer::keyAccept(text(a), text(c), text(t0)));
        trigger(command);
    }
};

#endif // GAMMACRYPT_WINDOWFIXTURE_H
