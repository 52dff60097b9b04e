// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "key.h"
#include "windowfixture.h"

#include <QAccessible>
#include <QDir>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QTimer>

// The shell: the form, the enabling, the document and information commands.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { w.start(); }
    void cleanup() { w.finish(); }

    // The menu bar item by item, each with the object name of its menu and that menu's items.
    void menuBarAndMenus()
    {
        QString layout;
        for (const QAction *top : w.window->menuBar()->actions()) {
            const QMenu *items = top->menu();
            layout += QStringLiteral("%1 (%2):")
                          .arg(top->text(), items ? items->objectName() : top->objectName());
            for (const QAction *item : items ? items->actions() : QList<QAction *>())
                layout += item->isSeparator()
                              ? QStringLiteral(" |")
                              : QStringLiteral(" %1=%2").arg(item->objectName(), item->text());
            layout += QLatin1Char('\n');
        }
        QCOMPARE(layout, QStringLiteral("Файл (menu): action=Создать action_2=Открыть "
                                        "action_3=Сохранить action_4=Сохранить как | "
                                        "action_6=Выход\nЗашифровать (menu_2): action_7=Побитовая "
                                        "перестановка action_8=Посимвольная перестановка "
                                        "action_9=Гаммир. с ПСЧ action_10=Гаммир. с ключом\n"
                                        "Расшифровать (menu_3): action_11=Побитовая перестановка "
                                        "action_12=Посимвольная перестановка action_13=Гаммир. с "
                                        "ПСЧ action_14=Гаммир. с ключом\nСправка (menu_4): "
                                        "action_15=О программе action_16=Помощь\nВыход ():\n"));
        QCOMPARE(w.window->windowTitle(),
                 QStringLiteral("Шифрование методами перестановки и гаммирования"));
    }

    void formGeometryAndFonts()
    {
        QCOMPARE(w.window->objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(w.window->size(), QSize(838, 533));
        QCOMPARE(w.editor()->geometry(), QRect(20, 10, 801, 441));
        QStringList fonts; // family, point size, bold
        for (const QFont &font : {w.window->font(), w.editor()->font(), menu("menu_4")->font(),
                                  w.action("action_11")->font()})
            fonts << QStringLiteral("%1 %2 %3")
                         .arg(font.family())
                         .arg(font.pointSize())
                         .arg(font.bold());
        QCOMPARE(fonts.join(QLatin1String(", ")),
                 QStringLiteral("Times New Roman 14 1, Times New Roman 14 0, Times New Roman 12 0, "
                                "Times New Roman 12 0"));
        // The family resolves to a face with the same metrics (Liberation Serif on Debian).
        const QString shown = QFontInfo(w.editor()->font()).family();
        QVERIFY2(shown.contains(QLatin1String("Serif")) ||
                     shown == QLatin1String("Times New Roman"),
                 qPrintable(shown));
        // No layout: the editing area keeps its place when the window grows.
        w.window->resize(1200, 900);
        QCOMPARE(w.editor()->geometry(), QRect(20, 10, 801, 441));
    }

    // What a screen reader is told of a control: name, description, label (the key fields'
    // names, told apart by these rows).
    void screenReaderNames_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QStringList>("told");
        QTest::newRow("editing area")
            << "textEdit"
            << QStringList{"Текст",
                           "Шифруется, расшифровывается и сохраняется в файл последняя строка "
                           "текста; результат дописывается новой строкой.",
                           ""};
        QTest::newRow("tool bar") << "mainToolBar" << QStringList{"Панель инструментов", "", ""};
        QTest::newRow("status bar") << "statusBar" << QStringList{"Строка состояния", "", ""};
        QTest::newRow("A") << "lineEdit" << QStringList{"A", "множитель", "label_2"};
        QTest::newRow("C") << "lineEdit_2" << QStringList{"C", "приращение", "label_3"};
        QTest::newRow("T0") << "lineEdit_3" << QStringList{"T0", "начальное значение", "label_4"};
    }

    void screenReaderNames()
    {
        QFETCH(QString, object);
        QFETCH(QStringList, told);
        key dialog(w.window.get()); // a child, so that one search finds both forms' widgets
        const auto shown = [this](const QString &name) {
            return QAccessible::queryAccessibleInterface(w.window->findChild<QWidget *>(name));
        };
        QStringList labels;
        for (const auto &relation : shown(object)->relations(QAccessible::Label))
            labels << relation.first->object()->objectName();
        QCOMPARE(QStringList({shown(object)->text(QAccessible::Name),
                              shown(object)->text(QAccessible::Description), labels.join(' ')}),
                 told);
    }

    void slotsInCommandOrder()
    {
        QStringList expected{QStringLiteral("actionTriggered()")};
        for (const char *n : {"", "_2", "_3", "_4", "_6", "_7", "_8", "_9", "_10", "_11", "_12",
                              "_13", "_14", "_15", "_16"})
            expected << QStringLiteral("on_action%1_triggered()").arg(QLatin1String(n));
        expected << QStringLiteral("fullTableHR()");
        const QMetaObject &meta = MainWindow::staticMetaObject;
        QStringList found;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            QCOMPARE(meta.method(i).methodType(), QMetaMethod::Slot);
            QCOMPARE(meta.method(i).access(), QMetaMethod::Private);
            found << QString::fromLatin1(meta.method(i).methodSignature());
        }
        QCOMPARE(found, expected);
    }

    // Each command shows a window of its own, told apart by its title; cancelled or merely read,
    // it leaves the text and the enabling as they were (a cancelled Open among them).
    void everyActionReachesItsOwnSlot_data()
    {
        QTest::addColumn<QString>("actionName");
        QTest::addColumn<QString>("title");
        const QStringList rows{
            "action_2 Open Dialog",     "action_4 Save Dialog",     "action_9 Ключ",
            "action_13 Ключ",           "action_15 О программе",    "action_16 Помощь",
            "action_7 Предупреждение",  "action_8 Предупреждение",  "action_10 Предупреждение",
            "action_11 Предупреждение", "action_12 Предупреждение", "action_14 Предупреждение"};
        for (const QString &row : rows)
            QTest::newRow(qPrintable(row))
                << row.section(QLatin1Char(' '), 0, 0) << row.section(QLatin1Char(' '), 1);
    }

    void everyActionReachesItsOwnSlot()
    {
        QFETCH(QString, actionName);
        QFETCH(QString, title);

        w.newDocument(QStringLiteral("строка"));
        w.answerer->expect(answer::cancel());
        if (title == QStringLiteral("Ключ"))
            w.answerer->expect(answer::cancel()); // the key loop asks twice before giving up
        w.trigger(actionName.toLatin1().constData());
        QCOMPARE(w.answerer->seenTitles().value(0), title);
        if (title == QStringLiteral("Предупреждение"))
            QCOMPARE(w.answerer->seenTexts().value(0),
                     QStringLiteral("Указанный метод не реализован"));
        QCOMPARE(w.editor()->toPlainText(), QStringLiteral("строка"));
        QVERIFY(!w.action("action_3")->isEnabled());
        QVERIFY(w.action("action_4")->isEnabled());
    }

    void enabling_data()
    {
        QTest::addColumn<QStringList>("steps");
        // The editing area, Зашифровать, Расшифровать, Помощь, Сохранить как, Сохранить, then the
        // commands that are always there: Файл, Справка, Создать, Открыть, Выход, О программе.
        QTest::addColumn<QString>("enabled");
        QTest::newRow("start") << QStringList() << "000000111111";
        QTest::newRow("New") << QStringList{"new"} << "111110111111";
        QTest::newRow("Open") << QStringList{"open"} << "111111111111";
        QTest::newRow("Open then New") << QStringList{"open", "new"} << "111111111111";
    }

    void enabling()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, enabled);

        const QString path = w.writeFile(QStringLiteral("a.txt"), "text");
        for (const QString &step : steps)
            step == QLatin1String("new") ? w.trigger("action") : w.openFile(path);
        QString found;
        for (const char *name :
             {"textEdit", "menu_2", "menu_3", "action_16", "action_4", "action_3", "menu", "menu_4",
              "action", "action_2", "action_6", "action_15"}) {
            const auto *item = w.window->findChild<QAction *>(name);
            const bool on =
                item ? item->isEnabled() : w.window->findChild<QWidget *>(name)->isEnabled();
            found += on ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(found, enabled);
    }

    void exitEndsTheLoop_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Файл > Выход") << 0;
        QTest::newRow("menu-bar Выход") << 1;
        QTest::newRow("close button") << 2;
    }

    void exitEndsTheLoop()
    {
        QFETCH(int, way);

        QTimer::singleShot(0, w.window.get(), [this, way] {
            if (way == 2)
                w.window->close();
            else
                (way == 0 ? w.action("action_6") : w.window->menuBar()->actions().last())
                    ->trigger();
        });
        // Fails rather than hangs. Scoped to this test: a guard left running would end the event
        // loop of a later test's dialog.
        const QObject guard;
        QTimer::singleShot(10000, &guard, [] { QCoreApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!w.window->isVisible());
    }

    void aboutAndHelpTexts()
    {
        w.trigger("action"); // Help needs a document
        for (const char *command : {"action_15", "action_16"}) {
            w.answerer->expect(answer::messageBoxOk());
            w.trigger(command);
        }
        // Two lines, each ending in a line feed; the second credits the program's authors.
        const QString about = w.answerer->seenTexts().at(0);
        QVERIFY2(about.startsWith(QStringLiteral("Программа реализует метод шифрования сообщения с "
                                                 "помощью гаммирование на основе псевдослучайных "
                                                 "чисел.\n")) &&
                     about.count(QLatin1Char('\n')) == 2 && about.endsWith(QLatin1Char('\n')) &&
                     about.contains(QLatin1String("gammacrypt")),
                 qPrintable(about));
        // En dashes, a middle dot, Latin T, A, C in the formula and Cyrillic Т, А, С after it.
        QCOMPARE(w.answerer->seenTexts().at(1),
                 QStringLiteral(
                     "Гаммирование на основе псевдослучайных чисел.\n"
                     "Гаммирование \u2013 метод криптографического преобразования, заключающийся в "
                     "том, что символы шифруемого текста складываются с символами некоторой "
                     "случайной последовательности,\n"
                     "называемой гаммой шифра или ключевой гаммой.\n"
                     "Псевдослучайные последовательности, построенные на основе линейного "
                     "конгруэнтного датчика псевдослучайных чисел (ПСЧ).\n"
                     "Он вырабатывает последовательности псевдослучайных чисел T(i), описываемые "
                     "соотношением T(i+1) = (A\u00B7T(i)+C) mod m,\n"
                     "где \u0410 и \u0421 \u2013 константы, \u0422(0) \u2013 исходная величина, "
                     "выбранная в качестве порождающего числа.\n"
                     "Эти три величины и образуют ключ."));
    }

    // What Open shows of a file, and the bytes Save then writes back to it: the last line alone, in
    // Windows-1251, with no line end; unrepresentable characters counted in a warning.
    void openShowsAndSaveWritesTheLastLine_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<int>("unrepresentable");
        const auto row = [](const char *name, const QByteArray &file, const QString &shown,
                            const QString &saved, int unrepresentable = 0) {
            QTest::newRow(name) << file << shown << cp1251(saved) << unrepresentable;
        };
        const QByteArray bom("\xEF\xBB\xBF");
        const QString markup = QStringLiteral("<b>ТЕКСТ</b> &amp; x");
        const QString longLine(5000, QChar(0x0416));
        row("Windows-1251", cp1251("первая\nвторая, Ёж!"), "первая\nвторая, Ёж!", "вторая, Ёж!");
        row("CR LF", cp1251("один\r\nдва\r\nтри"), "один\nдва\nтри", "три");
        row("lone CR", cp1251("один\rдва"), "один\nдва", "два");
        row("ends in a line break: zero bytes", cp1251("строка\r\n"), "строка\n", "");
        row("UTF-8 with BOM", bom + QString("Шифр").toUtf8(), "Шифр", "Шифр");
        row("markup is plain text", cp1251(markup), markup, markup);
        row("long line wrapped on screen", cp1251(longLine), longLine, longLine);
        row("unrepresentable", bom + QString("Ж★x中").toUtf8(), "Ж★x中", "Ж?x?", 2);
        // Found by fuzzing: the codec swallowed a lone high surrogate at the end of the line.
        row("lone surrogate", QByteArray::fromHex("fffe410000d9"),
            QString(QChar(0x41)) + QChar(0xD900), "A?", 1);
    }

    void openShowsAndSaveWritesTheLastLine()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        QFETCH(QByteArray, saved);
        QFETCH(int, unrepresentable);

        const QString path = w.writeFile(QStringLiteral("doc.txt"), file);
        w.openFile(path);
        QCOMPARE(w.shownText(), shown);
        QStringList titles{QStringLiteral("Open Dialog")};
        if (unrepresentable > 0) {
            w.answerer->expect(answer::messageBoxOk());
            titles << QStringLiteral("Предупреждение");
        }
        w.trigger("action_3");
        QCOMPARE(readAll(path), saved);
        QCOMPARE(w.answerer->seenTitles(), titles);
        if (unrepresentable > 0)
            QVERIFY(w.answerer->seenTexts().last().contains(
                QStringLiteral(": %1.").arg(unrepresentable)));
    }

    // Save writes the file Open read, on Cyrillic paths too: Save As and New leave that name alone,
    // and a new document has none.
    void saveGoesToTheOpenedFileOnCyrillicPaths()
    {
        const QString source = w.writeFile(QStringLiteral("Документы/шифр.txt"), cp1251("текст"));
        const QString copy = w.dir->filePath(QStringLiteral("Документы/копия.txt"));
        w.newDocument(QStringLiteral("строка"));
        w.saveAs(copy);
        QCOMPARE(readAll(copy), cp1251("строка"));
        QVERIFY(!w.action("action_3")->isEnabled());

        w.openFile(source);
        QCOMPARE(w.editor()->toPlainText(), QStringLiteral("текст"));
        w.saveAs(copy);
        w.newDocument(QStringLiteral("новый текст"));
        w.trigger("action_3");
        QCOMPARE(readAll(source), cp1251("новый текст"));
        QCOMPARE(readAll(copy), cp1251("текст"));
        QCOMPARE(QDir(w.dir->filePath(QStringLiteral("Документы"))).entryList(QDir::Files),
                 (QStringList{"копия.txt", "шифр.txt"}));
    }

private:
    QMenu *menu(const char *name) const { return w.window->findChild<QMenu *>(name); }

    WindowFixture w;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
