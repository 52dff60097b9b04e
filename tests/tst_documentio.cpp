// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The document code on every kind of file a user can pick, and the names and texts it gives.

#include "documentio.h"
#include "fifoguard.h"
#include "fileaccess.h"
#include "filenames.h"
#include "shellprobe.h"
#include "tmpfsmount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

QString contents(const QString &path)
{
    const documentio::ReadResult result = documentio::readDocument(path);
    return result.ok ? result.text : "<" + result.error + ">";
}

struct stat statusOf(const QString &path)
{
    struct stat status = {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool makeSocket(const QString &path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path).left(sizeof address.sun_path - 1);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

using documentio::FileDescriptor;

class TestDocumentIo : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }

    // The file (in the test's folder unless absolute), what reading gives (text or <reason>;
    // empty: any text), what writing gives (empty: success). Nothing waits or is left beside.
    void fileKinds_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("written");
        const auto row = [](const char *kind, const char *read, const char *written) {
            QTest::newRow(kind) << QString(kind) << QString(read) << QString(written);
        };
        row("regular", "old", "");
        row("missing", "<файл не найден>", "");
        row("folder", "<это папка, а не файл>", "это папка, а не файл");
        row("fifo", "<это именованный канал", "это именованный канал");
        row("socket", "<это сокет", "это сокет");
        row("loop", "<слишком много символических ссылок", "слишком много символических ссылок");
        row("/dev/null", "", "");
        row("/dev/full", "<файл слишком большой", "на диске нет места"); // reads endlessly
        row("missing/x", "<файл не найден>", "папка «");
        row("regular/x", "— это файл, а не папка", "— это файл, а не папка");
        // The size bound itself opens; one byte more is refused.
        row("bound", "", "");
        row("bound+1",
            "<файл слишком большой: 67 108 865 байт; наибольший размер, который можно открыть, — "
            "67 108 864 байта>",
            "");
    }

    void fileKinds()
    {
        QFETCH(QString, kind);
        QFETCH(QString, read);
        QFETCH(QString, written);
        const QString path = kind.startsWith(QLatin1Char('/')) ? kind : dir->filePath(kind);
        QVERIFY(writeFile(dir->filePath(QStringLiteral("regular")), "old"));
        const QByteArray native = QFile::encodeName(path);
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        if (kind == QLatin1String("socket"))
            QVERIFY(makeSocket(path));
        if (kind == QLatin1String("loop"))
            QCOMPARE(::symlink(native.constData(), native.constData()), 0);
        if (kind.startsWith(QLatin1String("bound")))
            QVERIFY(QFile(path).open(QIODevice::WriteOnly) &&
                    QFile::resize(path, documentio::maxDocumentSize + kind.endsWith('1')));
        const FifoGuard guard;

        const QString before = contents(path).left(200);
        QVERIFY2(read.isEmpty() ? !before.startsWith('<') : before.contains(read),
                 qPrintable(before));
        const QString error = documentio::writeDocument(path, "new");
        QVERIFY2(written.isEmpty() ? error.isEmpty() : error.contains(written), qPrintable(error));
        if (written.isEmpty() && !path.startsWith(QLatin1String("/dev/")))
            QCOMPARE(contents(path), QStringLiteral("new"));
        QVERIFY(
            QDir(dir->path()).entryList({".gammacrypt*"}, QDir::Hidden | QDir::Files).isEmpty());
    }

    // A written file keeps its owner, group, mode and (but for root's foreign file) inode.
    void writtenFileKeepsWhatItWas_data()
    {
        QTest::addColumn<QString>("situation");
        for (const char *situation : {"link", "read-only folder", "foreign"})
            QTest::newRow(situation) << situation;
    }

    void writtenFileKeepsWhatItWas()
    {
        QFETCH(QString, situation);
        const bool root = ::geteuid() == 0;
        if (situation == QLatin1String("foreign") && !root)
            QSKIP("only root can give a file to another user");
        const uid_t nobody = 65534;
        const QString folder = dir->filePath(QStringLiteral("folder"));
        const QString path = folder + QStringLiteral("/текст.txt");
        QVERIFY(QDir().mkdir(folder) && writeFile(path, "old contents, longer"));
        const QByteArray native = QFile::encodeName(path);
        const QString link = dir->filePath(QStringLiteral("second name"));
        if (situation == QLatin1String("link"))
            QCOMPARE(::link(native.constData(), QFile::encodeName(link).constData()), 0);
        const bool readOnlyFolder = situation == QLatin1String("read-only folder");
        // Root may write into any folder; as nobody it may not, and the file is still nobody's.
        if ((situation == QLatin1String("foreign") || readOnlyFolder) && root &&
            ::chown(native.constData(), nobody, nobody) != 0)
            QSKIP("no uid 65534 here");
        if (situation == QLatin1String("foreign"))
            QCOMPARE(::chmod(native.constData(), 0600), 0);
        if (readOnlyFolder)
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0 &&
                    ::chmod(QFile::encodeName(dir->path()).constData(), 0755) == 0);
        const struct stat before = statusOf(path);

        if (readOnlyFolder && root)
            QCOMPARE(::seteuid(nobody), 0);
        const QString error = documentio::writeDocument(path, "new");
        if (readOnlyFolder && root)
            QCOMPARE(::seteuid(0), 0);
        ::chmod(QFile::encodeName(folder).constData(), 0755);

        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(contents(path), QStringLiteral("new"));
        if (situation == QLatin1String("link"))
            QCOMPARE(contents(link), QStringLiteral("new"));
        const struct stat after = statusOf(path);
        QVERIFY(after.st_uid == before.st_uid && after.st_gid == before.st_gid &&
                after.st_mode == before.st_mode);
        QVERIFY(after.st_ino == before.st_ino || situation == QLatin1String("foreign"));
        QCOMPARE(QDir(folder).entryList(QDir::Hidden | QDir::Files), QStringList{"текст.txt"});
    }

    // What a write keeps, or refuses with the old file whole. The old file "old.txt" holds
    // "old contents"; the target is written "new"; error is what the refusal names (empty:
    // the write succeeds).
    void writeKeepsEverything_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *situation, const char *error = "") {
            QTest::newRow(situation) << QString(situation) << QString::fromUtf8(error);
        };
        row("dangling link");
        row("dangling link into another folder");
        row("ACL with a named user");
        row("user attribute");
        row("set-group-ID and sticky bits");
        row("folder's default ACL, file without");
        row("chmod and attribute during the run");
        row("/proc/self/fd of an appending file");
        row("/dev/fd of an appending file");
        row("renamed over during an in-place write", "удалили или заменили другим");
        row("full disk, sparse file with two names", "на диске нет места; файл остался прежним");
    }

    void writeKeepsEverything()
    {
        QFETCH(QString, situation);
        QFETCH(QString, error);
        const QString old = dir->filePath(QStringLiteral("old.txt"));
        QString target = old;
        QByteArray bytes("new");
        QByteArray expected = bytes;
        QVERIFY(writeFile(old, "old contents"));
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("sub")));
        const QByteArray native = QFile::encodeName(old);
        const bool needsAcl = situation.contains(QLatin1String("ACL"));
        if (needsAcl && QStandardPaths::findExecutable(QStringLiteral("setfacl")).isEmpty())
            QSKIP("setfacl is missing (package acl)");
        FileDescriptor appended;
        std::unique_ptr<TmpfsMount> mount;
        if (situation.startsWith(QLatin1String("dangling"))) {
            target = dir->filePath(QStringLiteral("link"));
            const QByteArray to =
                situation.endsWith(QLatin1String("folder")) ? "sub/made.txt" : "made.txt";
            QCOMPARE(::symlink(to.constData(), QFile::encodeName(target).constData()), 0);
        } else if (situation.startsWith(QLatin1String("ACL"))) {
            QVERIFY(::chmod(native.constData(), 0600) == 0 &&
                    runShell("setfacl -m u:nobody:rw,g::r '" + old + "'"));
        } else if (situation.startsWith(QLatin1String("renamed"))) { // written in place
            QVERIFY(::link(native.constData(), QFile::encodeName(dir->filePath("2nd"))) == 0);
        } else if (situation.startsWith(QLatin1String("set-group-ID"))) {
            QCOMPARE(::chmod(native.constData(), 03750), 0);
        } else if (situation.startsWith(QLatin1String("user attribute"))) {
            QCOMPARE(::setxattr(native.constData(), "user.note", "kept", 4, 0), 0);
        } else if (situation.startsWith(QLatin1String("folder's"))) {
            QVERIFY(runShell("setfacl -d -m u:nobody:rwx,o::rwx '" + dir->path() + "'"));
            QVERIFY(::chmod(native.constData(), 0600) == 0);
        } else if (situation.contains(QLatin1String("appending"))) {
            appended.reset(::open(native.constData(), O_WRONLY | O_APPEND | O_CLOEXEC));
            QVERIFY(appended.isOpen());
            target = QStringLiteral("%1/%2").arg(
                situation.startsWith(QLatin1String("/proc")) ? "/proc/self/fd" : "/dev/fd",
                QString::number(appended.get()));
            expected = "old contents" + bytes;
        } else if (situation.startsWith(QLatin1String("full disk"))) {
            mount = std::make_unique<TmpfsMount>(dir->filePath(QStringLiteral("small")), "1m");
            if (!mount->mounted)
                QSKIP("cannot mount a tmpfs here (needs root)");
            target = mount->path + QStringLiteral("/sparse");
            // 8 KiB written, 900,000 bytes long; a second name makes the write go in place.
            const QByteArray old8k(8192, 'A');
            expected = old8k + QByteArray(900000 - 8192, '\0');
            QVERIFY(writeFile(target, old8k) && ::truncate(QFile::encodeName(target), 900000) == 0);
            QVERIFY(::link(QFile::encodeName(target), QFile::encodeName(target + "2")) == 0);
            QVERIFY(writeFile(mount->path + QStringLiteral("/fill"), QByteArray(240 * 4096, 'f')));
            bytes = QByteArray(720000, 'x');
        }
        const QByteArray before = aclOf(target);
        const struct stat status = statusOf(target);

        documentio::FileWriter writer;
        QVERIFY2(writer.open(target, documentio::Pipes::Refuse), qPrintable(writer.failure()));
        QVERIFY(writer.write(bytes));
        if (situation.startsWith(QLatin1String("chmod"))) {
            QVERIFY(::chmod(native.constData(), 0640) == 0 &&
                    ::setxattr(native.constData(), "user.late", "1", 1, 0) == 0);
        } else if (situation.startsWith(QLatin1String("renamed"))) {
            const QString other = dir->filePath(QStringLiteral("other.txt"));
            QVERIFY(writer.writesInPlace() && writeFile(other, "someone else's") &&
                    ::rename(QFile::encodeName(other), native.constData()) == 0);
            expected = "someone else's";
        }
        const bool committed = writer.commit();

        QVERIFY2(error.isEmpty() ? committed : writer.failure().contains(error),
                 qPrintable(writer.failure()));
        if (error.isEmpty() && !situation.contains(QLatin1String("appending")))
            QCOMPARE(readAll(target), bytes);
        else
            QCOMPARE(readAll(target), expected);
        if (situation.startsWith(QLatin1String("dangling"))) {
            QVERIFY(QFileInfo(target).isSymLink());
            QCOMPARE(readAll(QFileInfo(target).symLinkTarget()), bytes);
        }
        if (needsAcl)
            QCOMPARE(aclOf(target), before);
        if (needsAcl || situation.startsWith(QLatin1String("set-group-ID")))
            QCOMPARE(statusOf(target).st_mode, status.st_mode);
        char value[16] = {};
        if (situation.startsWith(QLatin1String("user attribute")))
            QCOMPARE(QByteArray(value, int(::getxattr(native.constData(), "user.note", value,
                                                      sizeof value))),
                     QByteArray("kept"));
        if (situation.startsWith(QLatin1String("chmod")))
            QVERIFY((statusOf(old).st_mode & 0777) == 0640 &&
                    ::getxattr(native.constData(), "user.late", value, sizeof value) == 1);
        QVERIFY(
            QDir(dir->path()).entryList({".gammacrypt*"}, QDir::Hidden | QDir::Files).isEmpty());
    }

    // A target that becomes a folder while its new text is written: the failure is reported,
    // the folder stays as it is, and nothing is left beside it.
    void targetBecomesAFolder_data()
    {
        QTest::addColumn<bool>("existed");
        QTest::newRow("replacing a file") << true;
        QTest::newRow("a new file") << false;
    }

    void targetBecomesAFolder()
    {
        QFETCH(bool, existed);
        const QString path = dir->filePath(QStringLiteral("цель.txt"));
        if (existed)
            QVERIFY(writeFile(path, "old"));
        {
            documentio::FileWriter writer;
            QVERIFY(writer.open(path, documentio::Pipes::Refuse));
            QVERIFY((!existed || QFile::remove(path)) && QDir().mkdir(path));
            QVERIFY(writer.write("new"));
            QVERIFY(!writer.commit());
            QVERIFY2(writer.failure().contains(QStringLiteral("это папка, а не файл")),
                     qPrintable(writer.failure()));
        }
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(
            QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("цель.txt")});
    }

    // Another user's files as that user meets them (run as nobody): writing needs no read
    // access, and a file or folder it may not write is reported as such, left as it was.
    void writesAsAnotherUser_data()
    {
        QTest::addColumn<QString>("owner"); // of the file: "nobody", "root" or "" (none)
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("ownFolder"); // the folder nobody's, or root's and 0755
        QTest::addColumn<QString>("error");  // empty: written
        QTest::newRow("own write-only file") << "nobody" << 0200 << false << QString();
        QTest::newRow("own write-only file, own folder") << "nobody" << 0200 << true << QString();
        QTest::newRow("root's file") << "root" << 0644 << true << "нет доступа на запись";
        QTest::newRow("new file in root's folder")
            << QString() << 0 << false << "нет доступа на запись в папку";
    }

    void writesAsAnotherUser()
    {
        QFETCH(QString, owner);
        QFETCH(int, mode);
        QFETCH(bool, ownFolder);
        QFETCH(QString, error);
        if (::geteuid() != 0)
            QSKIP("only root can act as another user");
        const uid_t nobody = 65534;
        const QString folder = dir->filePath(QStringLiteral("folder"));
        const QString path = folder + QStringLiteral("/файл.txt");
        const QByteArray native = QFile::encodeName(path);
        QVERIFY(QDir().mkdir(folder) &&
                ::chmod(QFile::encodeName(dir->path()).constData(), 0755) == 0);
        if (ownFolder && ::chown(QFile::encodeName(folder).constData(), nobody, nobody) != 0)
            QSKIP("no uid 65534 here");
        if (!owner.isEmpty()) {
            QVERIFY(writeFile(path, "old"));
            QVERIFY(::chmod(native.constData(), mode_t(mode)) == 0);
            if (owner == QLatin1String("nobody") &&
                ::chown(native.constData(), nobody, nobody) != 0)
                QSKIP("no uid 65534 here");
        }
        const struct stat before = statusOf(path);

        // The real user too: access() judges by it. Root stays the saved one, to come back.
        QCOMPARE(::setresuid(nobody, nobody, 0), 0);
        const QString written = documentio::writeDocument(path, "new");
        QCOMPARE(::setresuid(0, 0, 0), 0);

        QVERIFY2(error.isEmpty() ? written.isEmpty() : written.contains(error),
                 qPrintable(written));
        QCOMPARE(contents(path), error.isEmpty()   ? QStringLiteral("new")
                                 : owner.isEmpty() ? QStringLiteral("<файл не найден>")
                                                   : QStringLiteral("old"));
        const struct stat after = statusOf(path);
        QVERIFY(after.st_uid == before.st_uid && after.st_mode == before.st_mode);
        QVERIFY(QDir(folder).entryList({".gammacrypt*"}, QDir::Hidden | QDir::Files).isEmpty());
    }

    // The usual causes speak Russian: no Latin letter in their text.
    void systemErrorsInRussian()
    {
        for (const int error : {EACCES,  EPERM,  ENOENT, EISDIR,       ENOTDIR, ENOSPC, EDQUOT,
                                EROFS,   ELOOP,  EMLINK, ENAMETOOLONG, EFBIG,   EIO,    ENXIO,
                                ETXTBSY, EAGAIN, EBADF,  EPIPE,        ENOMEM,  EMFILE, EINVAL})
            QVERIFY2(!documentio::systemErrorText(error).contains(QRegularExpression("[A-Za-z]")),
                     qPrintable(documentio::systemErrorText(error)));
    }

    // Names given as bytes come back as the same bytes, and different bytes stay different.
    void namesKeepTheirBytes()
    {
        const QList<QByteArray> names{
            "plain.txt",        "\xD1\x82\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82",
            "\xEF\xBF\xBD.txt", "\xFE.txt",
            "\xFF.txt",         "\xCF\xF0\xE8\xE2\xE5\xF2.txt",
            "a\xED\xA0\x80z",   "\xC0\xAF",
            "\xF4\x90\x80\x80"};
        QSet<QString> paths;
        for (const QByteArray &name : names) {
            const QString path = documentio::pathFromNative(name);
            QCOMPARE(documentio::nativePath(path), name);
            paths.insert(path);
        }
        QCOMPARE(paths.size(), names.size());
        QCOMPARE(documentio::displayPath(documentio::pathFromNative("d/\xFE.txt")),
                 QStringLiteral("d/\\xfe.txt"));
        QVERIFY(documentio::isExactName(QStringLiteral("/tmp/Привет.txt")));
        QVERIFY(!documentio::isExactName(QStringLiteral("/tmp/\uFFFD.txt")));
    }

    // A name is shown with its UTF-8 decoded and only the bytes that start no valid sequence
    // as \xNN; the file opens by it.
    void namesShownAndOpened_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x92\x80.txt") << "💀.txt";
        QTest::newRow("Windows-1251 byte") << QByteArray("\xFE.txt") << "\\xfe.txt";
        QTest::newRow("encoded surrogate")
            << QByteArray("\xD0\x9F\xD1\x80\xD0\xB8\xED\xA0\x80.txt") << "При\\xed\\xa0\\x80.txt";
        QTest::newRow("overlong slash") << QByteArray("\xD0\x96\xC0\xAF") << "Ж\\xc0\\xaf";
        QTest::newRow("past U+10FFFF, then ё")
            << QByteArray("\xF4\x90\x80\x80\xD1\x91") << "\\xf4\\x90\\x80\\x80ё";
        QTest::newRow("three bytes cut short")
            << QByteArray("\xE2\x82 \xE2\x82\xAC") << "\\xe2\\x82 €";
        QTest::newRow("two bytes cut by the end") << QByteArray("\xD1\x8F\xD0") << "я\\xd0";
    }

    void namesShownAndOpened()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        const QByteArray native = QFile::encodeName(dir->path()) + '/' + name;
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "\xC4\xE0", 2), ssize_t(2));
        ::close(fd);
        const QString path = documentio::pathFromNative(native);
        QCOMPARE(documentio::displayPath(path),
                 QDir::toNativeSeparators(dir->path()) + '/' + shown);
        QCOMPARE(contents(path), QStringLiteral("Да"));
        QCOMPARE(documentio::writeDocument(path, "\xCD\xE5\xF2"), QString());
        QCOMPARE(contents(path), QStringLiteral("Нет"));
    }

    // Every byte counted, thousands apart, and the word's ending agreeing with the number.
    void byteCounts_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        const auto row = [](qint64 bytes, const char *text) {
            QTest::newRow(text) << bytes << QString::fromUtf8(text);
        };
        row(0, "0 байт");
        row(1, "1 байт");
        row(2, "2 байта");
        row(4, "4 байта");
        row(5, "5 байт");
        row(11, "11 байт");
        row(12, "12 байт");
        row(14, "14 байт");
        row(21, "21 байт");
        row(23, "23 байта");
        row(111, "111 байт");
        row(112, "112 байт");
        row(999, "999 байт");
        row(1000, "1 000 байт");
        row(65536, "65 536 байт");
        row(131072, "131 072 байта");
        row(67108871, "67 108 871 байт");
        row(Q_INT64_C(1234567890123), "1 234 567 890 123 байта");
    }

    void byteCounts()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(documentio::byteCountText(bytes), text);
    }

private:
    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_GUILESS_MAIN(TestDocumentIo)
#include "tst_documentio.moc"
