// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fifoguard.h"
#include "shellprobe.h"
#include "tmpfsmount.h"
#include "windowfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every entry under the folder with its bytes: a failed write must leave all of it as it was,
// with nothing half-written beside it. FIFOs and the like are not read: that would wait.
QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        entries.insert(path, info.isDir()    ? QByteArray("<folder>")
                             : info.isFile() ? readAll(path)
                                             : QByteArray("<not a file>"));
    }
    return entries;
}

} // namespace

// Files that cannot be read or written, met through the window as a user meets them. Every fault
// fails for root as well (CI runs as root): no permission bits.
class TestFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void init() { w.start(); }
    void cleanup() { w.finish(); }

    // The command (Open, Save As, Save), its target (in the test's folder unless absolute) and
    // the reason its one error box gives. "old.txt" is the file opened before; for Save it is
    // the target, and its folder is removed. A target named "fifo" is made a FIFO, "loop" a
    // link to itself, one holding U+FFFD a file (what the dialog shows for a name that is not
    // UTF-8).
    void faultIsReportedAndChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        const auto row = [](const char *name, const char *command, const QString &target,
                            const char *reason) {
            QTest::newRow(name) << QString(command) << target << QString(reason);
        };
        // Longer than ext4, tmpfs and the others allow (255 bytes).
        const QString tooLong = QString(296, QLatin1Char('n')) + QStringLiteral(".txt");
        row("Open: missing", "action_2", "bad.txt", "файл не найден");
        row("Open: a folder", "action_2", "sub", "это папка, а не файл");
        row("Open: over 64 MiB", "action_2", "big.txt", "файл слишком большой: 67 108 865 байт");
        row("Open: a FIFO", "action_2", "fifo", "это именованный канал (FIFO)");
        row("Open: a link to itself", "action_2", "loop", "слишком много символических ссылок");
        row("Open: a name not decoded", "action_2", "\uFFFD.txt", "без искажений");
        row("Save As: a FIFO", "action_4", "fifo", "это именованный канал (FIFO)");
        row("Save As: a name not decoded", "action_4", "\uFFFD.txt", "без искажений");
        row("Save: the file became a FIFO", "action_3", "fifo", "это именованный канал (FIFO)");
        row("Save As: no such folder", "action_4", "no/such/x.txt", "не существует");
        row("Save As: parent is a file", "action_4", "old.txt/x.txt", "это файл, а не папка");
        row("Save As: target is a folder", "action_4", "sub", "это папка, а не файл");
        row("Save As: disk full", "action_4", "/dev/full", "нет места");
        row("Save As: name too long", "action_4", tooLong, "имя файла слишком длинное");
        row("Save: its folder is gone", "action_3", "gone/old.txt", "не существует");
    }

    void faultIsReportedAndChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(QString, target);
        QFETCH(QString, reason);
        if (target == QLatin1String("/dev/full") && !QFileInfo::exists(target))
            QSKIP("no /dev/full here");

        const bool save = command == QLatin1String("action_3");
        w.writeFile(QStringLiteral("sub/inside.txt"), "in the folder");
        const QString old =
            w.writeFile(save ? target : QStringLiteral("old.txt"), cp1251("старое содержимое"));
        w.openFile(old);
        w.newDocument(QStringLiteral("новое")); // Save keeps the opened name
        const QString path = QDir(w.dir->path()).absoluteFilePath(target);
        if (target == QLatin1String("big.txt"))
            w.writeFile(target, QByteArray(64 * 1024 * 1024 + 1, 'x'));
        if (save && target.startsWith(QLatin1String("gone/")))
            QVERIFY(QDir(QFileInfo(old).path()).removeRecursively());
        const QByteArray native = QFile::encodeName(path);
        if (target == QLatin1String("fifo"))
            QVERIFY((!save || QFile::remove(path)) && ::mkfifo(native.constData(), 0600) == 0);
        if (target == QLatin1String("loop"))
            QCOMPARE(::symlink(native.constData(), native.constData()), 0);
        if (target.contains(QChar::ReplacementCharacter) && !save)
            w.writeFile(target, "a file of that name");
        const FifoGuard guard;
        const QMap<QString, QByteArray> before = snapshot(w.dir->path());

        if (!save)
            w.answerer->expect(answer::chooseFile(path));
        w.answerer->expect(answer::messageBoxOk());
        w.trigger(command.toLatin1().constData());

        QCOMPARE(w.answerer->seenTitles().count(QStringLiteral("Ошибка")), 1);
        QCOMPARE(w.answerer->seenTitles().last(), QStringLiteral("Ошибка"));
        const QString text = w.answerer->seenTexts().last();
        QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(reason),
                 qPrintable(text));
        QCOMPARE(w.editor()->toPlainText(), QStringLiteral("новое"));
        QCOMPARE(snapshot(w.dir->path()), before);
        QVERIFY(!QFileInfo(QStringLiteral("/dev/full")).isFile()); // never renamed over
        if (command == QLatin1String("action_2")) { // and Save still writes the file opened before
            w.trigger("action_3");
            QCOMPARE(readAll(old), cp1251("новое"));
        }
    }

    // Open shows one character per byte (CR and LF break lines) and a Save writes back what
    // follows the last break, with no warning. Windows-1251 leaves 0x98 undefined: it reads as
    // U+0098 and is written back as 0x98, as Windows itself converts it, so that no byte is lost.
    void openAndSaveKeepEveryByte_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved");
        QByteArray all;
        for (int value = 0; value < 256; ++value)
            all += char(value);
        QByteArray noBreaks = all;
        noBreaks.remove(0x0D, 1).remove(0x0A, 1);
        QTest::newRow("0 bytes") << QByteArray() << QByteArray();
        QTest::newRow("NUL bytes") << QByteArray(300, '\0') << QByteArray(300, '\0');
        QTest::newRow("all 256 byte values") << all << all.mid(0x0E);
        QTest::newRow("all but CR and LF") << noBreaks << noBreaks;
    }

    void openAndSaveKeepEveryByte()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);

        const QString path = w.writeFile(QStringLiteral("bytes.txt"), file);
        w.openFile(path);
        const QString shown = w.shownText();
        QCOMPARE(shown.size(), file.size());
        const QMap<uchar, QChar> decoded{
            {0x98, QChar(0x98)}, {0xA0, QChar(0xA0)}, {0xC0, QChar(0x410)}};
        for (int i = 0; i < file.size(); ++i) {
            const uchar byte = uchar(file.at(i));
            const QChar ascii = byte == '\r' ? QChar('\n') : QChar(byte);
            QCOMPARE(shown.at(i), byte < 0x80 ? ascii : decoded.value(byte, shown.at(i)));
        }
        w.trigger("action_3");
        QCOMPARE(readAll(path), saved);
        QCOMPARE(w.answerer->seenTitles(), QStringList{QStringLiteral("Open Dialog")});
    }

    // The window's Save goes through the tool's writer: what it keeps and what it refuses, as
    // the window shows it. The box (title and a part of its text) is the one Save shows; an
    // empty title: none.
    void saveKeepsWhatTheFileHas_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("Save As: a dangling link") << "dangling link" << QString() << QString();
        QTest::newRow("Save: a file with an ACL") << "ACL" << QString() << QString();
        QTest::newRow("Save As: full disk, sparse file with two names")
            << "full disk"
            << "Ошибка"
            << "на диске нет места; файл остался прежним";
        QTest::newRow("Open and Save: UTF-8 cut at the end")
            << "cut"
            << "Предупреждение"
            << "которых нет в кодировке Windows-1251";
    }

    void saveKeepsWhatTheFileHas()
    {
        QFETCH(QString, situation);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QString target = w.writeFile(QStringLiteral("old.txt"), "old contents");
        QByteArray expected = cp1251("новое");
        std::unique_ptr<TmpfsMount> mount;
        bool saveAs = true;
        if (situation == QLatin1String("dangling link")) {
            target = w.dir->filePath(QStringLiteral("link"));
            QVERIFY(::symlink("made.txt", QFile::encodeName(target).constData()) == 0);
            w.newDocument(QStringLiteral("новое"));
        } else if (situation == QLatin1String("ACL")) {
            if (QStandardPaths::findExecutable(QStringLiteral("setfacl")).isEmpty())
                QSKIP("setfacl is missing (package acl)");
            QVERIFY(
                runShell("chmod 600 '" + target + "' && setfacl -m u:nobody:rw '" + target + "'"));
            w.openFile(target);
            w.newDocument(QStringLiteral("новое"));
            saveAs = false;
        } else if (situation == QLatin1String("full disk")) {
            mount = std::make_unique<TmpfsMount>(w.dir->filePath(QStringLiteral("small")), "1m");
            if (!mount->mounted)
                QSKIP("cannot mount a tmpfs here (needs root)");
            // 8 KiB written, 900,000 bytes long, two names: written in place, 720,000 bytes.
            target = mount->path + QStringLiteral("/sparse");
            expected = QByteArray(8192, 'A') + QByteArray(900000 - 8192, '\0');
            QVERIFY(
                runShell(QStringLiteral("cd '%1' && head -c 8192 /dev/zero | tr '\\0' A >sparse "
                                        "&& truncate -s 900000 sparse && ln sparse sparse2 && "
                                        "head -c 983040 /dev/zero >fill")
                             .arg(mount->path)));
            w.openFile(w.writeFile(QStringLiteral("long.txt"), QByteArray(720000, 'x')));
        } else {
            const QString cut = w.writeFile(QStringLiteral("cut.txt"), "\xEF\xBB\xBF"
                                                                       "ab\xF0\x9F\x98");
            w.openFile(cut);
            QVERIFY2(w.shownText().startsWith(QLatin1String("ab")) &&
                         w.shownText().endsWith(QChar::ReplacementCharacter),
                     qPrintable(w.shownText()));
            target = cut;
            expected = "ab" + QByteArray(w.shownText().size() - 2, '?');
            saveAs = false;
        }
        const QByteArray before = aclOf(target);

        if (saveAs)
            w.answerer->expect(answer::chooseFile(target));
        if (!title.isEmpty())
            w.answerer->expect(answer::messageBoxOk());
        w.trigger(saveAs ? "action_4" : "action_3");

        const QStringList titles = w.answerer->seenTitles();
        if (title.isEmpty()) {
            QVERIFY2(!titles.contains(QStringLiteral("Ошибка")) &&
                         !titles.contains(QStringLiteral("Предупреждение")),
                     qPrintable(w.answerer->seenTexts().join('\n')));
        } else {
            QCOMPARE(titles.last(), title);
            QVERIFY2(w.answerer->seenTexts().last().contains(text),
                     qPrintable(w.answerer->seenTexts().last()));
        }
        QCOMPARE(readAll(target), expected);
        if (situation == QLatin1String("dangling link"))
            QVERIFY(QFileInfo(target).isSymLink());
        if (situation == QLatin1String("ACL"))
            QCOMPARE(aclOf(target), before);
    }

private:
    WindowFixture w;
};

QTEST_MAIN(TestFileFaults)
#include "tst_filefaults.moc"
