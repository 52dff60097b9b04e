#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <memory>

namespace {

QByteArray cp1251(const QString &text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuBarReadsLeftToRight();
    void menusHoldTheirActions_data();
    void menusHoldTheirActions();
    void formGeometryAndFonts();
    void slotsInCommandOrder();
    void everyActionReachesItsOwnSlot_data();
    void everyActionReachesItsOwnSlot();
    void enablingAtStartAfterNewAndAfterOpen_data();
    void enablingAtStartAfterNewAndAfterOpen();
    void bothExitItemsAndCloseButtonEndTheLoop_data();
    void bothExitItemsAndCloseButtonEndTheLoop();
    void aboutAndHelpTexts();
    void placeholdersWarnAndChangeNothing_data();
    void placeholdersWarnAndChangeNothing();

    void openShowsTheFileDecoded_data();
    void openShowsTheFileDecoded();
    void openShowsMarkupAsPlainText();
    void cancelledOpenChangesNothing();
    void saveWritesTheLastLineInWindows1251_data();
    void saveWritesTheLastLineInWindows1251();
    void saveAsKeepsFileNameAndSaveWritesTheOpenedFile();
    void newThenSaveAsLeavesSaveDisabled();
    void unrepresentableCharactersAreCounted();
    void cyrillicPathsOpenAndSave();

private:
    QAction *action(const char *name) const;
    QMenu *menu(const char *name) const;
    QTextEdit *editor() const;
    void trigger(const char *name);
    void openFile(const QString &path);
    void saveAs(const QString &path);
    QString writeFile(const QString &name, const QByteArray &bytes);
    void expectNoProblems();

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestMainWindow::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    answerer = std::make_unique<ModalAnswerer>();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestMainWindow::cleanup()
{
    expectNoProblems();
    answerer.reset();
    window.reset();
    dir.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

QAction *TestMainWindow::action(const char *name) const
{
    auto *found = window->findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

QMenu *TestMainWindow::menu(const char *name) const
{
    return window->findChild<QMenu *>(QLatin1String(name));
}

QTextEdit *TestMainWindow::editor() const
{
    return window->findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

void TestMainWindow::trigger(const char *name)
{
    action(name)->trigger();
}

void TestMainWindow::openFile(const QString &path)
{
    answerer->expect(answer::chooseFile(path));
    trigger("action_2");
}

void TestMainWindow::saveAs(const QString &path)
{
    answerer->expect(answer::chooseFile(path));
    trigger("action_4");
}

QString TestMainWindow::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

void TestMainWindow::expectNoProblems()
{
    QCOMPARE(answerer->problems().join(QLatin1String("; ")), QString());
    QCOMPARE(answerer->pending(), 0);
}

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

QStringList titlesOf(const QList<QAction *> &actions)
{
    QStringList titles;
    for (const QAction *item : actions)
        titles << (item->isSeparator() ? QStringLiteral("|") : item->text());
    return titles;
}

} // namespace

void TestMainWindow::menuBarReadsLeftToRight()
{
    const QList<QAction *> items = window->menuBar()->actions();
    QCOMPARE(titlesOf(items),
             (QStringList{"Файл", "Зашифровать", "Расшифровать", "Справка", "Выход"}));
    QAction *exitItem = items.last();
    QVERIFY(!exitItem->menu());
    QVERIFY(exitItem->objectName().isEmpty());
    QVERIFY(exitItem != action("action_6"));
    QCOMPARE(window->windowTitle(),
             QStringLiteral("Шифрование методами перестановки и гаммирования"));
}

void TestMainWindow::menusHoldTheirActions_data()
{
    QTest::addColumn<QString>("menuName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("objects");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("Файл") << "menu"
                          << "Файл" << QStringList{"action",   "action_2", "action_3",
                                                   "action_4", "",         "action_6"}
                          << QStringList{"Создать",       "Открыть", "Сохранить",
                                         "Сохранить как", "|",       "Выход"};
    const QStringList methods{"Побитовая перестановка", "Посимвольная перестановка",
                              "Гаммир. с ПСЧ", "Гаммир. с ключом"};
    QTest::newRow("Зашифровать") << "menu_2"
                                 << "Зашифровать"
                                 << QStringList{"action_7", "action_8", "action_9", "action_10"}
                                 << methods;
    QTest::newRow("Расшифровать") << "menu_3"
                                  << "Расшифровать"
                                  << QStringList{"action_11", "action_12", "action_13", "action_14"}
                                  << methods;
    QTest::newRow("Справка") << "menu_4"
                             << "Справка" << QStringList{"action_15", "action_16"}
                             << QStringList{"О программе", "Помощь"};
}

void TestMainWindow::menusHoldTheirActions()
{
    QFETCH(QString, menuName);
    QFETCH(QString, title);
    QFETCH(QStringList, objects);
    QFETCH(QStringList, texts);

    QMenu *found = menu(menuName.toLatin1().constData());
    QVERIFY(found);
    QCOMPARE(found->title(), title);
    QCOMPARE(titlesOf(found->actions()), texts);
    QStringList names;
    for (const QAction *item : found->actions())
        names << item->objectName();
    QCOMPARE(names, objects);
    for (const QAction *item : found->actions()) {
        QVERIFY(item->shortcut().isEmpty());
        QVERIFY(!item->text().contains(QLatin1Char('&')));
    }
}

void TestMainWindow::formGeometryAndFonts()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->size(), QSize(838, 533));
    QCOMPARE(editor()->geometry(), QRect(20, 10, 801, 441));
    QCOMPARE(window->menuBar()->objectName(), QStringLiteral("menuBar"));

    const QFont windowFont = window->font();
    QCOMPARE(windowFont.family(), QStringLiteral("Times New Roman"));
    QCOMPARE(windowFont.pointSize(), 14);
    QVERIFY(windowFont.bold());
    const QFont editorFont = editor()->font();
    QCOMPARE(editorFont.pointSize(), 14);
    QVERIFY(!editorFont.bold());
    QCOMPARE(menu("menu_4")->font().pointSize(), 12);
    QVERIFY(!menu("menu_4")->font().bold());
    QCOMPARE(action("action_11")->font().pointSize(), 12);

    // The family resolves to a real face with the same metrics (Liberation Serif on Debian).
    const QFontInfo shown(editorFont);
    QVERIFY2(shown.family().contains(QLatin1String("Serif")) ||
                 shown.family() == QLatin1String("Times New Roman"),
             qPrintable(shown.family()));

    auto *toolBar = window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QVERIFY(toolBar);
    QVERIFY(toolBar->actions().isEmpty());
    auto *status = window->findChild<QStatusBar *>(QStringLiteral("statusBar"));
    QVERIFY(status);
    QVERIFY(status->currentMessage().isEmpty());

    window->resize(1200, 900);
    QCOMPARE(editor()->geometry(), QRect(20, 10, 801, 441));
}

void TestMainWindow::slotsInCommandOrder()
{
    const QStringList expected{"actionTriggered()",
                               "on_action_triggered()",
                               "on_action_2_triggered()",
                               "on_action_3_triggered()",
                               "on_action_4_triggered()",
                               "on_action_6_triggered()",
                               "on_action_7_triggered()",
                               "on_action_8_triggered()",
                               "on_action_9_triggered()",
                               "on_action_10_triggered()",
                               "on_action_11_triggered()",
                               "on_action_12_triggered()",
                               "on_action_13_triggered()",
                               "on_action_14_triggered()",
                               "on_action_15_triggered()",
                               "on_action_16_triggered()",
                               "fullTableHR()"};
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(QString::fromLatin1(meta.className()), QStringLiteral("MainWindow"));
    QStringList found;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        found << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(found, expected);
}

// Each command shows something of its own; the answer tells them apart.
void TestMainWindow::everyActionReachesItsOwnSlot_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("dialogTitle");

    for (const char *name :
         {"action_7", "action_8", "action_10", "action_11", "action_12", "action_14"})
        QTest::newRow(name) << name << "Предупреждение";
    QTest::newRow("action_15") << "action_15"
                               << "О программе";
    QTest::newRow("action_16") << "action_16"
                               << "Помощь";
    QTest::newRow("action_2") << "action_2"
                              << "Open Dialog";
    QTest::newRow("action_4") << "action_4"
                              << "Save Dialog";
    QTest::newRow("action_9") << "action_9"
                              << "Ключ";
    QTest::newRow("action_13") << "action_13"
                               << "Ключ";
}

void TestMainWindow::everyActionReachesItsOwnSlot()
{
    QFETCH(QString, actionName);
    QFETCH(QString, dialogTitle);

    trigger("action"); // New: everything reachable
    answerer->expect(answer::cancel());
    if (dialogTitle == QStringLiteral("Ключ"))
        answerer->expect(answer::cancel()); // the key loop asks twice before giving up
    action(actionName.toLatin1().constData())->trigger();
    QCOMPARE(answerer->seenTitles().value(0), dialogTitle);
}

void TestMainWindow::enablingAtStartAfterNewAndAfterOpen_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("rest");

    QTest::newRow("start") << "" << false << false << false;
    QTest::newRow("New") << "new" << true << false << true;
    QTest::newRow("Open") << "open" << true << true << true;
    QTest::newRow("Open then New") << "open new" << true << true << true;
}

void TestMainWindow::enablingAtStartAfterNewAndAfterOpen()
{
    QFETCH(QString, command);
    QFETCH(bool, editing);
    QFETCH(bool, save);
    QFETCH(bool, rest);

    const QString path = writeFile(QStringLiteral("a.txt"), "text");
    for (const QString &step : command.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (step == QLatin1String("new"))
            trigger("action");
        else
            openFile(path);
    }
    QCOMPARE(editor()->isEnabled(), editing);
    QCOMPARE(menu("menu_2")->isEnabled(), rest);
    QCOMPARE(menu("menu_3")->isEnabled(), rest);
    QCOMPARE(action("action_16")->isEnabled(), rest);
    QCOMPARE(action("action_4")->isEnabled(), rest);
    QCOMPARE(action("action_3")->isEnabled(), save);
    for (const char *always : {"action", "action_2", "action_6", "action_15"})
        QVERIFY(action(always)->isEnabled());
    QVERIFY(menu("menu")->isEnabled());
    QVERIFY(menu("menu_4")->isEnabled());
}

void TestMainWindow::bothExitItemsAndCloseButtonEndTheLoop_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("Файл > Выход") << 0;
    QTest::newRow("menu-bar Выход") << 1;
    QTest::newRow("close button") << 2;
}

void TestMainWindow::bothExitItemsAndCloseButtonEndTheLoop()
{
    QFETCH(int, way);

    QTimer::singleShot(0, window.get(), [this, way] {
        if (way == 0)
            trigger("action_6");
        else if (way == 1)
            window->menuBar()->actions().last()->trigger();
        else
            window->close();
    });
    // Fails rather than hangs if the window does not end the loop. Scoped to this test: a
    // guard left running would end the event loop of a later test's dialog.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window->isVisible());
}

void TestMainWindow::aboutAndHelpTexts()
{
    trigger("action"); // Help needs a document
    answerer->expect(answer::messageBoxOk());
    trigger("action_15");
    answerer->expect(answer::messageBoxOk());
    trigger("action_16");

    QCOMPARE(answerer->seenTitles(), (QStringList{"О программе", "Помощь"}));
    const QStringList about = answerer->seenTexts().at(0).split(QLatin1Char('\n'));
    QCOMPARE(about.size(), 3); // two lines, each ending in a line feed
    QCOMPARE(about.at(0), QStringLiteral("Программа реализует метод шифрования сообщения с помощью "
                                         "гаммирование на основе псевдослучайных чисел."));
    QVERIFY(about.at(1).contains(QLatin1String("gammacrypt")));
    QVERIFY(about.at(2).isEmpty());

    const QString help = answerer->seenTexts().at(1);
    QCOMPARE(help.split(QLatin1Char('\n')).size(), 7);
    QVERIFY(!help.endsWith(QLatin1Char('\n')));
    QVERIFY(help.startsWith(QStringLiteral("Гаммирование на основе псевдослучайных чисел.\n"
                                           "Гаммирование \u2013 метод")));
    QVERIFY(help.contains(QStringLiteral("T(i+1) = (A\u00B7T(i)+C) mod m,\n")));
    QVERIFY(
        help.contains(QStringLiteral("где \u0410 и \u0421 \u2013 константы, \u0422(0) \u2013 ")));
    QVERIFY(help.endsWith(QStringLiteral("Эти три величины и образуют ключ.")));
}

void TestMainWindow::placeholdersWarnAndChangeNothing_data()
{
    QTest::addColumn<QString>("actionName");
    for (const char *name :
         {"action_7", "action_8", "action_10", "action_11", "action_12", "action_14"})
        QTest::newRow(name) << name;
}

void TestMainWindow::placeholdersWarnAndChangeNothing()
{
    QFETCH(QString, actionName);

    const QString path = writeFile(QStringLiteral("a.txt"), cp1251("строка"));
    openFile(path);
    answerer->expect(answer::messageBoxOk());
    action(actionName.toLatin1().constData())->trigger();
    QCOMPARE(answerer->seenTitles().last(), QStringLiteral("Предупреждение"));
    QCOMPARE(answerer->seenTexts().last(), QStringLiteral("Указанный метод не реализован"));
    QCOMPARE(editor()->toPlainText(), QStringLiteral("строка"));
    QVERIFY(action("action_3")->isEnabled());
}

void TestMainWindow::openShowsTheFileDecoded_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("Windows-1251") << cp1251("Привет, мир! Ёж") << "Привет, мир! Ёж";
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF") + QString("Шифр").toUtf8() << "Шифр";
    QTest::newRow("CR LF lines") << cp1251("один\r\nдва\r\nтри") << "один\nдва\nтри";
    QTest::newRow("lone CR") << cp1251("один\rдва") << "один\nдва";
    QTest::newRow("empty file") << QByteArray() << "";
}

void TestMainWindow::openShowsTheFileDecoded()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);

    openFile(writeFile(QStringLiteral("in.txt"), bytes));
    QCOMPARE(editor()->toPlainText(), shown);
}

void TestMainWindow::openShowsMarkupAsPlainText()
{
    openFile(writeFile(QStringLiteral("markup.txt"), cp1251("<b>ТЕКСТ</b> &amp; x")));
    QCOMPARE(editor()->toPlainText(), QStringLiteral("<b>ТЕКСТ</b> &amp; x"));
}

void TestMainWindow::cancelledOpenChangesNothing()
{
    trigger("action");
    typeText(editor(), QStringLiteral("мой текст"));
    answerer->expect(answer::cancel());
    trigger("action_2");
    QCOMPARE(editor()->toPlainText(), QStringLiteral("мой текст"));
    QVERIFY(!action("action_3")->isEnabled());
}

void TestMainWindow::saveWritesTheLastLineInWindows1251_data()
{
    QTest::addColumn<QByteArray>("opened");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("two lines") << cp1251("первая\nвторая, Ёж!") << cp1251("вторая, Ёж!");
    QTest::newRow("CR LF, last line without end") << cp1251("а\r\nб\r\nконец") << cp1251("конец");
    QTest::newRow("ends in CR LF") << cp1251("а\r\nб\r\n") << QByteArray();
    QTest::newRow("ends in LF") << cp1251("строка\n") << QByteArray();
    QTest::newRow("UTF-8 BOM in, Windows-1251 out")
        << QByteArray("\xEF\xBB\xBF") + QString("Шифр").toUtf8() << cp1251("Шифр");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    const QByteArray longLine = cp1251(QString(5000, QChar(0x0416)));
    QTest::newRow("long line wrapped on screen") << longLine << longLine;
}

void TestMainWindow::saveWritesTheLastLineInWindows1251()
{
    QFETCH(QByteArray, opened);
    QFETCH(QByteArray, saved);

    const QString path = writeFile(QStringLiteral("doc.txt"), opened);
    openFile(path);
    trigger("action_3");
    QCOMPARE(readAll(path), saved);
}

void TestMainWindow::saveAsKeepsFileNameAndSaveWritesTheOpenedFile()
{
    const QString a = writeFile(QStringLiteral("a.txt"), cp1251("файл А"));
    const QString b = dir->filePath(QStringLiteral("b.txt"));
    openFile(a);
    saveAs(b);
    QCOMPARE(readAll(b), cp1251("файл А"));

    trigger("action"); // New keeps the file name
    typeText(editor(), QStringLiteral("новый текст"));
    trigger("action_3");
    QCOMPARE(readAll(a), cp1251("новый текст"));
    QCOMPARE(readAll(b), cp1251("файл А"));
}

void TestMainWindow::newThenSaveAsLeavesSaveDisabled()
{
    trigger("action");
    typeText(editor(), QStringLiteral("строка"));
    const QString target = dir->filePath(QStringLiteral("new.txt"));
    saveAs(target);
    QCOMPARE(readAll(target), cp1251("строка"));
    QVERIFY(!action("action_3")->isEnabled());

    answerer->expect(answer::cancel()); // a cancelled Save As writes nothing
    trigger("action_4");
    QCOMPARE(readAll(target), cp1251("строка"));
}

void TestMainWindow::unrepresentableCharactersAreCounted()
{
    const QString path = writeFile(QStringLiteral("u.txt"), QByteArray());
    openFile(path);
    typeText(editor(), QStringLiteral("Ж★x中"));
    answerer->expect(answer::messageBoxOk());
    trigger("action_3");
    QCOMPARE(answerer->seenTitles().last(), QStringLiteral("Предупреждение"));
    QVERIFY2(answerer->seenTexts().last().contains(QLatin1String("2")),
             qPrintable(answerer->seenTexts().last()));
    QCOMPARE(readAll(path).size(), 4);
    QCOMPARE(readAll(path).left(1), cp1251("Ж"));
}

void TestMainWindow::cyrillicPathsOpenAndSave()
{
    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("Документы")));
    const QString source = writeFile(QStringLiteral("Документы/шифр.txt"), cp1251("текст"));
    openFile(source);
    QCOMPARE(editor()->toPlainText(), QStringLiteral("текст"));

    const QString copy = dir->filePath(QStringLiteral("Документы/копия.txt"));
    saveAs(copy);
    QCOMPARE(readAll(copy), cp1251("текст"));
    QVERIFY(QDir(dir->filePath(QStringLiteral("Документы")))
                .entryList(QDir::Files)
                .contains(QStringLiteral("копия.txt")));

    editor()->moveCursor(QTextCursor::End);
    typeText(editor(), QStringLiteral(" и ещё"));
    trigger("action_3");
    QCOMPARE(readAll(source), cp1251("текст и ещё"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
