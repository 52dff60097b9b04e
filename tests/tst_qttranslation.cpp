// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Qt's own texts in the system's language, as the program installs them at start. ctest runs
// this under a Russian locale and under C; LANG is read directly, so that a locale Qt failed to
// pick up shows as a wrong text.

#include "key.h"
#include "qttranslation.h"
#include "windowfixture.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTranslator>

class TestQtTranslation : public QObject
{
    Q_OBJECT

    static bool russian() { return qgetenv("LANG").startsWith("ru_"); }

private slots:
    void initTestCase() { QCOMPARE(installQtTranslation(), russian()); }

    void keyDialogCancelButton()
    {
        WindowFixture w;
        w.start();
        w.newDocument(QStringLiteral("ПРИВЕТ"));
        QString cancelText;
        w.answerer->expect([&cancelText](QWidget *dialog) {
            QPushButton *cancel =
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel);
            cancelText = cancel->text();
            cancel->click();
        });
        w.answerer->expect(answer::cancel()); // the key loop's second asking
        w.trigger("action_9");
        QCOMPARE(cancelText, russian() ? QStringLiteral("Отмена") : QStringLiteral("Cancel"));
        w.finish();
    }

    // The forms' own texts are the same with Qt's catalogue and without it.
    void ownTextsUntranslated()
    {
        const auto formTexts = [] {
            MainWindow window;
            key dialog;
            QStringList texts{window.windowTitle(), dialog.windowTitle()};
            for (const QAction *action : window.findChildren<QAction *>())
                texts << action->text() << action->toolTip();
            for (const QMenu *menu : window.findChildren<QMenu *>())
                texts << menu->title();
            for (const QLabel *label : dialog.findChildren<QLabel *>())
                texts << label->text();
            return texts;
        };
        auto *translator = QCoreApplication::instance()->findChild<QTranslator *>();
        if (!translator)
            QSKIP("Qt has no catalogue for this locale");
        const QStringList translated = formTexts();
        QVERIFY(QCoreApplication::removeTranslator(translator));
        const QStringList untranslated = formTexts();
        QVERIFY(QCoreApplication::installTranslator(translator));
        QVERIFY(untranslated.contains(QStringLiteral("Ключ")));
        QCOMPARE(translated, untranslated);
    }
};

QTEST_MAIN(TestQtTranslation)
#include "tst_qttranslation.moc"
