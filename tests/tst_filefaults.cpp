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
#include <QTextEdit>

#include <memory>

namespace {

QByteArray cp1251(const QString &text)
{
    return QTextCodec::codecForName("Windows-1251")->fromUnicode(text);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

QByteArray everyByte()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes += char(value);
    return bytes;
}

// A name of 300 bytes: longer than ext4, tmpfs and the others allow (255).
QString tooLongName()
{
    return QString(296, QLatin1Char('n')) + QStringLiteral(".txt");
}

} // namespace

// Files that cannot be read or written, met through the window as a user meets them. Every
// fault works for root as well (CI runs as root): no permission bits.
class TestFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unreadableFileIsReportedAndChangesNothing_data();
    void unreadableFileIsReportedAndChangesNothing();
    void failedSaveKeepsTheOldContents_data();
    void failedSaveKeepsTheOldContents();
    void openAndSaveKeepEveryByte_data();
    void openAndSaveKeepEveryByte();
    void loneSurrogateIsCountedNotDropped();

private:
    QAction *action(const char *name) const;
    QTextEdit *editor() const;
    void openFile(const QString &path);
    QString writeFile(const QString &name, const QByteArray &bytes);
    QString prepareFaultyTarget(const QString &kind, const QString &opened);
    void expectOneErrorBoxNaming(const QString &path, const QString &reason);

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestFileFaults::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    answerer = std::make_unique<ModalAnswerer>();
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestFileFaults::cleanup()
{
    QCOMPARE(answerer->problems().join(QLatin1String("; ")), QString());
    QCOMPARE(answerer->pending(), 0);
    answerer.reset();
    window.reset();
    dir.reset();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

QAction *TestFileFaults::action(const char *name) const
{
    auto *found = window->findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

QTextEdit *TestFileFaults::editor() const
{
    return window->findChild<QTextEdit *>(QStringLiteral("textEdit"));
}

void TestFileFaults::openFile(const QString &path)
{
    answerer->expect(answer::chooseFile(path));
    action("action_2")->trigger();
}

QString TestFileFaults::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

// Exactly one error box, the last dialog shown, in Russian, with the path and the reason.
void TestFileFaults::expectOneErrorBoxNaming(const QString &path, const QString &reason)
{
    QCOMPARE(answerer->seenTitles().count(QStringLiteral("Ошибка")), 1);
    QCOMPARE(answerer->seenTitles().last(), QStringLiteral("Ошибка"));
    const QString text = answerer->seenTexts().last();
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
    QVERIFY2(text.contains(reason), qPrintable(text));
}

void TestFileFaults::unreadableFileIsReportedAndChangesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << "missing"
                             << "файл не найден";
    QTest::newRow("directory") << "directory"
                               << "это папка, а не файл";
    QTest::newRow("over 64 MiB") << "large"
                                 << "файл слишком большой";
    QTest::newRow("name too long") << "longname"
                                   << "файл не найден";
}

void TestFileFaults::unreadableFileIsReportedAndChangesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);

    const QString first = writeFile(QStringLiteral("first.txt"), cp1251("первый"));
    openFile(first);
    QCOMPARE(answerer->seenTitles().size(), 1);

    QString path = dir->filePath(kind == QLatin1String("longname") ? tooLongName()
                                                                   : QStringLiteral("bad.txt"));
    if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("large")) {
        QFile large(path);
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.resize(64 * 1024 * 1024 + 1)); // sparse: quick to make
    }

    answerer->expect(answer::chooseFile(path));
    answerer->expect(answer::messageBoxOk());
    action("action_2")->trigger();
    expectOneErrorBoxNaming(path, reason);
    QCOMPARE(editor()->toPlainText(), QStringLiteral("первый"));

    // Save still writes the file opened before.
    editor()->moveCursor(QTextCursor::End);
    typeText(editor(), QStringLiteral("!"));
    action("action_3")->trigger();
    QCOMPARE(readAll(first), cp1251("первый!"));
}

void TestFileFaults::failedSaveKeepsTheOldContents_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");

    QTest::newRow("Save As: no such folder") << "action_4"
                                             << "nofolder"
                                             << "не существует";
    QTest::newRow("Save As: parent is a file") << "action_4"
                                               << "parentfile"
                                               << "это файл, а не папка";
    QTest::newRow("Save As: target is a folder") << "action_4"
                                                 << "folder"
                                                 << "это папка, а не файл";
    QTest::newRow("Save As: disk full") << "action_4"
                                        << "full"
                                        << "нет места";
    QTest::newRow("Save As: name too long") << "action_4"
                                            << "longname"
                                            << "имя файла слишком длинное";
    QTest::newRow("Save: file became a folder") << "action_3"
                                                << "becamefolder"
                                                << "это папка, а не файл";
    QTest::newRow("Save: its folder is gone") << "action_3"
                                              << "foldergone"
                                              << "не существует";
}

// The target of the failing save, made ready; opened is the file Open read, still on disk.
QString TestFileFaults::prepareFaultyTarget(const QString &kind, const QString &opened)
{
    if (kind == QLatin1String("nofolder"))
        return dir->filePath(QStringLiteral("no/such/folder/x.txt"));
    if (kind == QLatin1String("parentfile"))
        return opened + QStringLiteral("/x.txt");
    if (kind == QLatin1String("folder"))
        return dir->filePath(QStringLiteral("sub"));
    if (kind == QLatin1String("full"))
        return QStringLiteral("/dev/full");
    if (kind == QLatin1String("longname"))
        return dir->filePath(tooLongName());
    if (kind == QLatin1String("becamefolder")) {
        QFile::remove(opened);
        QDir().mkpath(opened);
        QFile inside(opened + QStringLiteral("/keep.txt"));
        if (!inside.open(QIODevice::WriteOnly) || inside.write("keep") != 4)
            qFatal("cannot write the test file");
        return opened;
    }
    // foldergone: the opened file lives in a folder that is then removed.
    QDir(QFileInfo(opened).absolutePath()).removeRecursively();
    return opened;
}

void TestFileFaults::failedSaveKeepsTheOldContents()
{
    QFETCH(QString, command);
    QFETCH(QString, kind);
    QFETCH(QString, reason);

    if (kind == QLatin1String("full") && !QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");

    QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("sub")));
    const QByteArray inSub("in the folder");
    writeFile(QStringLiteral("sub/inside.txt"), inSub);
    const QString old =
        writeFile(kind == QLatin1String("foldergone") ? QStringLiteral("sub/old.txt")
                                                      : QStringLiteral("old.txt"),
                  cp1251("старое содержимое"));
    openFile(old);
    action("action")->trigger(); // New: the text to save is typed, Save keeps the opened name
    typeText(editor(), QStringLiteral("новое"));

    const QString target = prepareFaultyTarget(kind, old);
    const QStringList filesBefore = QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden);
    if (command == QLatin1String("action_4"))
        answerer->expect(answer::chooseFile(target));
    answerer->expect(answer::messageBoxOk());
    action(command.toLatin1().constData())->trigger();

    expectOneErrorBoxNaming(target, reason);
    QCOMPARE(editor()->toPlainText(), QStringLiteral("новое"));
    // Nothing half-written is left beside the target, and what was there is intact.
    QCOMPARE(QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden), filesBefore);
    if (kind == QLatin1String("foldergone")) {
        QVERIFY(!QFileInfo::exists(QFileInfo(old).absolutePath()));
    } else if (kind == QLatin1String("becamefolder")) {
        QVERIFY(QFileInfo(old).isDir());
        QCOMPARE(readAll(old + QStringLiteral("/keep.txt")), QByteArray("keep"));
    } else {
        QCOMPARE(readAll(old), cp1251("старое содержимое"));
        QCOMPARE(readAll(dir->filePath(QStringLiteral("sub/inside.txt"))), inSub);
        QCOMPARE(QDir(dir->filePath(QStringLiteral("sub"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("inside.txt")});
    }
    if (kind == QLatin1String("full"))
        QVERIFY(!QFileInfo(target).isFile()); // still the device, never renamed over
    if (kind == QLatin1String("nofolder"))
        QVERIFY(!QFileInfo::exists(dir->filePath(QStringLiteral("no"))));
}

// What Open shows and what a following Save writes back. Windows-1251 leaves 0x98 undefined:
// it reads as U+0098 and is written back as 0x98, as Windows itself converts it, so that no
// byte of a file is lost. NUL reads as U+0000 and is written back as NUL. CR and LF break
// lines, so Save writes what follows the last of them.
void TestFileFaults::openAndSaveKeepEveryByte_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");

    QTest::newRow("0 bytes") << QByteArray() << QByteArray();
    QTest::newRow("NUL bytes") << QByteArray(300, '\0') << QByteArray(300, '\0');
    const QByteArray all = everyByte();
    QTest::newRow("all 256 byte values") << all << all.mid(0x0E);
    QByteArray noBreaks = all;
    noBreaks.remove(0x0D, 1).remove(0x0A, 1);
    QTest::newRow("all but CR and LF, one line") << noBreaks << noBreaks;
    QTest::newRow("0x98 between letters")
        << QByteArray("\xC0\x98\xFF\x98") << QByteArray("\xC0\x98\xFF\x98");
    QTest::newRow("no-break space and soft hyphen") << QByteArray("a\xA0"
                                                                  "b\xAD")
                                                    << QByteArray("a\xA0"
                                                                  "b\xAD");
}

void TestFileFaults::openAndSaveKeepEveryByte()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, saved);

    const QString path = writeFile(QStringLiteral("bytes.txt"), file);
    openFile(path);

    // One character per byte, the line breaks aside.
    const QString shown = editor()->document()->toRawText();
    const int breaks = file.count('\n') + file.count('\r');
    QCOMPARE(shown.size(), file.size());
    for (int i = 0; i < file.size(); ++i) {
        const uchar byte = uchar(file.at(i));
        if (byte == 0x00 || byte == 0x98 || byte == 0xA0 || byte == 0x41)
            QCOMPARE(shown.at(i).unicode(), char16_t(byte));
        if (byte == 0xC0)
            QCOMPARE(shown.at(i), QChar(0x0410)); // А
        if (byte == 0xA8)
            QCOMPARE(shown.at(i), QChar(0x0401)); // Ё
    }
    QCOMPARE(editor()->document()->blockCount(), breaks + 1);

    action("action_3")->trigger(); // no warning: every character has its byte
    QCOMPARE(readAll(path), saved);
    QCOMPARE(answerer->seenTitles(), QStringList{QStringLiteral("Open Dialog")});
}

// Found by fuzzing: the codec swallowed a high surrogate at the end of the line, so Save
// dropped it and reported nothing.
void TestFileFaults::loneSurrogateIsCountedNotDropped()
{
    const QByteArray utf16{"\xFF\xFE"
                           "A\x00"
                           "\x00\xD9",
                           6}; // "A" and a lone high half
    const QString path = writeFile(QStringLiteral("utf16.txt"), utf16);
    openFile(path);
    QCOMPARE(editor()->toPlainText().size(), 2);

    answerer->expect(answer::messageBoxOk());
    action("action_3")->trigger();
    QCOMPARE(answerer->seenTitles().last(), QStringLiteral("Предупреждение"));
    QVERIFY2(answerer->seenTexts().last().contains(QLatin1String(": 1.")),
             qPrintable(answerer->seenTexts().last()));
    QCOMPARE(readAll(path), QByteArray("A?"));
}

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
