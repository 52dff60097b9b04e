// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fileaccess.h"

#include "filenames.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace documentio {

namespace {

QString quotedNative(const QByteArray &native)
{
    return QStringLiteral("«%1»").arg(displayPath(pathFromNative(native)));
}

FileKind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Folder;
    if (S_ISFIFO(mode))
        return FileKind::Fifo;
    if (S_ISSOCK(mode))
        return FileKind::Socket;
    if (S_ISCHR(mode))
        return FileKind::CharDevice;
    if (S_ISBLK(mode))
        return FileKind::BlockDevice;
    return FileKind::Other;
}

bool isPipeOrSocket(FileKind kind)
{
    return kind == FileKind::Fifo || kind == FileKind::Socket;
}

// Why a file of this kind is not opened.
QString refusedKindText(FileKind kind)
{
    switch (kind) {
    case FileKind::Folder:
        return QStringLiteral("это папка, а не файл");
    case FileKind::Fifo:
        return QStringLiteral("это именованный канал (FIFO), а не обычный файл; программа не "
                              "открывает каналы, чтобы не ждать другую сторону без конца");
    case FileKind::Socket:
        return QStringLiteral("это сокет, а не обычный файл");
    default:
        return QStringLiteral("это не обычный файл");
    }
}

QByteArray folderOf(const QByteArray &native)
{
    const int slash = native.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : native.left(slash);
}

// When the path to a file does not lead through folders: which part of it is wrong.
QString brokenFolderText(const QByteArray &native)
{
    const QByteArray folder = folderOf(native);
    struct stat status;
    if (::stat(folder.constData(), &status) == 0 && !S_ISDIR(status.st_mode))
        return QStringLiteral("%1 — это файл, а не папка").arg(quotedNative(folder));
    if (errno == ENOENT)
        return QStringLiteral("папка %1 не существует").arg(quotedNative(folder));
    return QStringLiteral("путь к папке %1 ведёт через файл, а не папку").arg(quotedNative(folder));
}

// Why opening an existing path failed, for reading or for writing.
QString openFailureText(const QByteArray &native, int error, bool writing)
{
    switch (error) {
    case ENOENT:
        return writing ? brokenFolderText(native) : QStringLiteral("файл не найден");
    case ENOTDIR:
        return brokenFolderText(native);
    case EACCES:
    case EPERM:
        return writing ? QStringLiteral("нет доступа на запись")
                       : QStringLiteral("нет доступа на чтение");
    case ENXIO: { // a socket, or with O_NONBLOCK a pipe that no one reads
        struct stat status;
        if (::stat(native.constData(), &status) == 0 && isPipeOrSocket(kindOf(status.st_mode)))
            return refusedKindText(kindOf(status.st_mode));
        break;
    }
    default:
        break;
    }
    return systemErrorText(error);
}

// Not every file system can flush on request; that alone loses nothing.
bool flushedToDisk(int fd)
{
    return ::fdatasync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

int openRetrying(const QByteArray &native, int flags, mode_t mode = 0)
{
    int fd;
    do
        fd = ::open(native.constData(), flags | O_CLOEXEC | O_NOCTTY, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// The descriptor was opened non-blocking only so that its opening could not wait; reads
// and writes wait as usual.
void makeBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK))
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

bool writeFully(int fd, const char *data, qint64 size, qint64 offset, bool positioned)
{
    while (size > 0) {
        const ssize_t written = positioned ? ::pwrite(fd, data, size_t(size), off_t(offset))
                                           : ::write(fd, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        data += written;
        size -= written;
        offset += written;
    }
    return true;
}

// The descriptor that a name such as /dev/stdout or /proc/self/fd/3 stands for, or -1.
// Opening such a name anew would start the file behind it from its beginning, or replace it.
int descriptorNamed(const QByteArray &native)
{
    if (native == "/dev/stdin")
        return STDIN_FILENO;
    if (native == "/dev/stdout")
        return STDOUT_FILENO;
    if (native == "/dev/stderr")
        return STDERR_FILENO;
    const QByteArray ownFolder = "/proc/" + QByteArray::number(qint64(::getpid())) + "/fd/";
    for (const QByteArray &folder : {QByteArray("/dev/fd/"), QByteArray("/proc/self/fd/"),
                                     QByteArray("/proc/thread-self/fd/"), ownFolder}) {
        if (!native.startsWith(folder))
            continue;
        const QByteArray number = native.mid(folder.size());
        const bool digits =
            !number.isEmpty() && number.size() <= 9 &&
            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
        return digits ? number.toInt() : -1;
    }
    return -1;
}

// Where a chain of symbolic links leads when its last target does not exist yet; empty when
// native is no link or the chain does not end.
QByteArray missingLinkTarget(const QByteArray &native)
{
    QByteArray current = native;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat status;
        if (::lstat(current.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return hop == 0 ? QByteArray() : current;
        QByteArray next(4096, '\0');
        const ssize_t length = ::readlink(current.constData(), next.data(), size_t(next.size()));
        if (length <= 0 || length >= next.size())
            return QByteArray();
        next.truncate(int(length));
        current = next.startsWith('/') ? next : folderOf(current) + '/' + next;
    }
    return QByteArray();
}

QList<QByteArray> attributeNames(const QByteArray &path, int fd)
{
    QByteArray names(4096, '\0');
    for (;;) {
        const ssize_t size =
            fd >= 0 ? ::flistxattr(fd, names.data(), size_t(names.size()))
                    : ::listxattr(path.constData(), names.data(), size_t(names.size()));
        if (size >= 0) {
            names.truncate(int(size));
            break;
        }
        if (errno == ENOTSUP)
            return {}; // a file system without them
        if (errno != ERANGE || names.size() > 1024 * 1024)
            return {QByteArray()}; // an empty name fails the copy
        names.resize(names.size() * 4);
    }
    QList<QByteArray> list = names.split('\0');
    list.removeAll(QByteArray());
    return list;
}

// Makes fd carry exactly the extended attributes of the file at from: its ACL (kept as the
// attributes system.posix_acl_*) and the user's own. False, with errno set, when one cannot be
// read, set or removed: the new file would then grant what the old one did not, or lose a note.
bool copyExtendedAttributes(const QByteArray &from, int fd)
{
    const QList<QByteArray> wanted = attributeNames(from, -1);
    if (wanted.contains(QByteArray())) // errno is set
        return false;
    const QList<QByteArray> present = attributeNames(QByteArray(), fd);
    for (const QByteArray &name : present) {
        // A default ACL of the folder gave the new file one that the old file did not have.
        if (!wanted.contains(name) && (name.isEmpty() || ::fremovexattr(fd, name.constData()) != 0))
            return false;
    }
    for (const QByteArray &name : wanted) {
        QByteArray value(256, '\0');
        ssize_t size;
        while ((size = ::getxattr(from.constData(), name.constData(), value.data(),
                                  size_t(value.size()))) < 0 &&
               errno == ERANGE && value.size() < 1024 * 1024)
            value.resize(value.size() * 4);
        if (size < 0 || ::fsetxattr(fd, name.constData(), value.constData(), size_t(size), 0) != 0)
            return false;
    }
    return true;
}

// File systems that write every changed block to a new place: taking room with fallocate
// does not cover overwriting blocks the file already has.
bool isCopyOnWrite(int fd)
{
    struct statfs system;
    if (::fstatfs(fd, &system) != 0)
        return false;
    constexpr long zfs = 0x2fc12fc1;
    constexpr long bcachefs = 0xca451a4e;
    return system.f_type == long(BTRFS_SUPER_MAGIC) || system.f_type == zfs ||
           system.f_type == bcachefs;
}

// Takes the room on the disk for every block of a text of this size, the holes of a sparse
// file too, without changing the file. Returns 0 or the error number. glibc's
// posix_fallocate would imitate a missing fallocate by writing zeros over the old text.
int reserveRoom(int fd, qint64 size)
{
    if (size == 0)
        return 0;
    int result;
    do
        result = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size));
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return errno == ENOSYS ? EOPNOTSUPP : errno;
    if (!isCopyOnWrite(fd))
        return 0;
    // The best that can be done there: as much free room as the whole text needs.
    struct statfs system;
    if (::fstatfs(fd, &system) != 0)
        return errno;
    return qint64(system.f_bavail) * qint64(system.f_bsize) >= size ? 0 : ENOSPC;
}

// The names of the new files beside their targets, for a signal handler to remove: fixed
// buffers, since a handler may not allocate, and a flag set only once a name is whole.
constexpr int signalSlots = 4;
constexpr int signalNameSize = 4096;
char signalNames[signalSlots][signalNameSize];
volatile std::sig_atomic_t signalNameSet[signalSlots];

int rememberForSignals(const QByteArray &name)
{
    if (name.size() >= signalNameSize)
        return -1;
    for (int slot = 0; slot < signalSlots; ++slot) {
        if (signalNameSet[slot])
            continue;
        std::memcpy(signalNames[slot], name.constData(), size_t(name.size()) + 1);
        signalNameSet[slot] = 1;
        return slot;
    }
    return -1;
}

void forgetForSignals(int slot)
{
    if (slot >= 0)
        signalNameSet[slot] = 0;
}

// The signals that remove the new files wait while one is made and remembered: between the
// two, one would leave it behind.
class DeferredSignals
{
public:
    DeferredSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&set, signal);
        ::pthread_sigmask(SIG_BLOCK, &set, &previous);
    }
    ~DeferredSignals() { ::pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
    DeferredSignals(const DeferredSignals &) = delete;
    DeferredSignals &operator=(const DeferredSignals &) = delete;

private:
    sigset_t previous;
};

void removeTemporariesAndDie(int signal)
{
    for (int slot = 0; slot < signalSlots; ++slot) {
        if (signalNameSet[slot])
            ::unlink(signalNames[slot]);
    }
    // Ends the program as the signal would have: its parent sees which signal it was.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void removeTemporaryFilesOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action = {};
        struct sigaction previous = {};
        if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        action.sa_handler = removeTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

QString systemErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("нет доступа");
    case ENOENT:
        return QStringLiteral("файл или папка не существует");
    case EISDIR:
        return QStringLiteral("это папка, а не файл");
    case ENOTDIR:
        return QStringLiteral("часть пути — не папка");
    case ENOSPC:
        return QStringLiteral("на диске нет места");
    case EDQUOT:
        return QStringLiteral("исчерпана дисковая квота");
    case EROFS:
        return QStringLiteral("файловая система доступна только для чтения");
    case ELOOP:
        return QStringLiteral("слишком много символических ссылок подряд; возможно, ссылка "
                              "указывает сама на себя");
    case EMLINK:
        return QStringLiteral("слишком много ссылок");
    case ENAMETOOLONG:
        return QStringLiteral("имя файла слишком длинное");
    case EFBIG:
        return QStringLiteral("файл больше, чем разрешено для этой файловой системы или "
                              "процесса");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода на устройстве");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("устройство недоступно");
    case ETXTBSY:
    case EBUSY:
        return QStringLiteral("файл занят другой программой");
    case EAGAIN:
        return QStringLiteral("данные пока недоступны, а ждать их нельзя");
    case EBADF:
        return QStringLiteral("файл закрыт или открыт не для этого действия");
    case EPIPE:
        return QStringLiteral("читающая сторона канала закрыта");
    case ENOMEM:
        return QStringLiteral("не хватает памяти");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("открыто слишком много файлов");
    case EINVAL:
        return QStringLiteral("такое действие с этим файлом невозможно");
    case EEXIST:
        return QStringLiteral("файл уже существует");
    case EXDEV:
        return QStringLiteral("файлы на разных файловых системах");
    case ESTALE:
        return QStringLiteral("файл на сетевом диске больше не доступен");
    case ETIMEDOUT:
        return QStringLiteral("истекло время ожидания");
    default:
        return QStringLiteral("ошибка системы %1 (%2)")
            .arg(error)
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString byteCountText(qint64 bytes)
{
    QString digits = QString::number(bytes);
    for (int i = digits.size() - 3; i > (bytes < 0 ? 1 : 0); i -= 3)
        digits.insert(i, QLatin1Char(' '));
    const qint64 lastTwo = bytes % 100;
    const qint64 last = bytes % 10;
    const bool few = last >= 2 && last <= 4 && !(lastTwo >= 12 && lastTwo <= 14);
    return digits + (few ? QStringLiteral(" байта") : QStringLiteral(" байт"));
}

int FileDescriptor::release()
{
    const int old = fd;
    fd = -1;
    return old;
}

void FileDescriptor::reset(int newFd)
{
    if (fd >= 0)
        ::close(fd);
    fd = newFd;
}

FileStatus descriptorStatus(int fd)
{
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return {};
    return {kindOf(status.st_mode), qint64(status.st_size)};
}

FileDescriptor openForReading(const QString &path, Pipes pipes, QString &reason)
{
    const QByteArray native = nativePath(path);
    FileDescriptor file(openRetrying(native, O_RDONLY | (pipes == Pipes::Refuse ? O_NONBLOCK : 0)));
    if (!file.isOpen()) {
        reason = openFailureText(native, errno, false);
        return file;
    }
    const FileKind kind = descriptorStatus(file.get()).kind;
    if (kind == FileKind::Folder || (pipes == Pipes::Refuse && isPipeOrSocket(kind))) {
        reason = refusedKindText(kind);
        file.reset();
        return file;
    }
    makeBlocking(file.get());
    return file;
}

QByteArray readUpTo(int fd, qint64 limit, QString &reason)
{
    QByteArray bytes;
    constexpr qint64 piece = 1024 * 1024;
    while (bytes.size() <= limit) {
        const int before = bytes.size();
        bytes.resize(before + int(qMin(piece, limit + 1 - before)));
        const ssize_t got = ::read(fd, bytes.data() + before, size_t(bytes.size() - before));
        bytes.resize(before + int(qMax<ssize_t>(got, 0)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            reason = systemErrorText(errno);
        if (got <= 0)
            break;
    }
    return bytes;
}

bool FileWriter::open(const QString &filePath, Pipes pipes)
{
    cancel();
    path = filePath;
    failureText.clear();
    const QByteArray native = nativePath(path);
    const int named = descriptorNamed(native);
    if (named >= 0 && ::fcntl(named, F_GETFD) >= 0)
        return openDescriptor(named, native, pipes);
    struct stat status;
    if (::stat(native.constData(), &status) != 0) {
        if (errno != ENOENT)
            return fail(openFailureText(native, errno, true));
        // A link to a file not made yet makes that file; the link stays.
        const QByteArray linked = missingLinkTarget(native);
        return openReplacement(linked.isEmpty() ? native : linked, false);
    }
    const FileKind kind = kindOf(status.st_mode);
    if (kind == FileKind::Folder || (pipes == Pipes::Refuse && isPipeOrSocket(kind)))
        return fail(refusedKindText(kind));
    if (kind == FileKind::Regular && status.st_nlink == 1) {
        if (::access(native.constData(), W_OK) != 0)
            return fail(openFailureText(native, errno, true));
        // The file a symbolic link leads to is replaced, not the link.
        char *resolved = ::realpath(native.constData(), nullptr);
        const QByteArray real = resolved ? QByteArray(resolved) : native;
        std::free(resolved);
        if (openReplacement(real, true))
            return true;
        if (!failureText.isEmpty())
            return false;
    }
    return openInPlace(native, pipes);
}

// A new file beside the target. For an existing target it takes over the owner, group, mode
// and extended attributes first; false with no failure set means the target must be written
// in place instead.
bool FileWriter::openReplacement(const QByteArray &targetPath, bool exists)
{
    const QByteArray folder = folderOf(targetPath);
    const DeferredSignals deferred;
    for (int attempt = 0; !file.isOpen(); ++attempt) {
        temporary = folder + "/.gammacrypt-" +
                    QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        file.reset(openRetrying(temporary, O_WRONLY | O_CREAT | O_EXCL, 0666));
        const int error = errno;
        if (file.isOpen())
            break;
        temporary.clear();
        if (error == EEXIST && attempt < 100)
            continue;
        if (exists && (error == EACCES || error == EPERM))
            return false; // a folder that takes no new files
        if (error == EACCES || error == EPERM)
            return fail(
                QStringLiteral("нет доступа на запись в папку %1").arg(quotedNative(folder)));
        return fail(openFailureText(targetPath, error, true));
    }
    signalSlot = rememberForSignals(temporary);
    target = targetPath;
    replacing = true;
    takesOver = exists;
    if (exists && !takeOverAttributes()) {
        cancel();
        return false;
    }
    return true;
}

// The owner and group first: changing them clears the set-user-ID bits, and the mode then
// sets the ACL's mask as the old file has it.
bool FileWriter::takeOverAttributes()
{
    struct stat status;
    return ::stat(target.constData(), &status) == 0 &&
           ::fchown(file.get(), status.st_uid, status.st_gid) == 0 &&
           copyExtendedAttributes(target, file.get()) &&
           ::fchmod(file.get(), status.st_mode & 07777) == 0;
}

// A name for a descriptor the program was given is written through it, where the shell
// pointed it: appending after what is there, or between what others write.
bool FileWriter::openDescriptor(int fd, const QByteArray &name, Pipes pipes)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)
        return failWith(EBADF);
    const FileKind kind = descriptorStatus(fd).kind;
    if (kind == FileKind::Folder || (pipes == Pipes::Refuse && isPipeOrSocket(kind)))
        return fail(refusedKindText(kind));
    file.reset(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!file.isOpen())
        return failWith(errno);
    target = name;
    return true;
}

bool FileWriter::openInPlace(const QByteArray &native, Pipes pipes)
{
    file.reset(openRetrying(native, O_WRONLY | (pipes == Pipes::Refuse ? O_NONBLOCK : 0)));
    if (!file.isOpen())
        return fail(openFailureText(native, errno, true));
    const FileKind kind = descriptorStatus(file.get()).kind;
    if (pipes == Pipes::Refuse && isPipeOrSocket(kind)) {
        file.reset();
        return fail(refusedKindText(kind));
    }
    makeBlocking(file.get());
    target = native;
    held = kind == FileKind::Regular;
    return true;
}

bool FileWriter::write(const char *data, qint64 size)
{
    if (!file.isOpen())
        return false;
    if (held) {
        // A QByteArray holds less than 2 GiB.
        if (size > std::numeric_limits<int>::max() / 2 - heldData.size())
            return fail(QStringLiteral("результат больше 1 ГиБ, а записать его можно только на "
                                       "месте, целиком из памяти"));
        heldData.append(data, int(size));
        return true;
    }
    return writeFully(file.get(), data, size, 0, false) || failWith(errno);
}

bool FileWriter::commit()
{
    if (!file.isOpen())
        return false;
    if (held)
        return commitInPlace();
    // A chmod, chown or setfacl made on the old file during a long run is kept too.
    if (takesOver && !takeOverAttributes() && errno != ENOENT)
        return failWith(errno);
    if (replacing && !flushedToDisk(file.get()))
        return failWith(errno);
    if (::close(file.release()) != 0 && errno != EINTR)
        return failWith(errno);
    if (replacing && ::rename(temporary.constData(), target.constData()) != 0)
        return failWith(errno);
    forgetForSignals(std::exchange(signalSlot, -1));
    temporary.clear();
    replacing = false;
    takesOver = false;
    return true;
}

// Room for every block of the new text is taken before the first byte changes, so that a
// full disk leaves the file as it was. The file is checked to be the one the name still
// leads to: another program may have put a new file there during a long run.
bool FileWriter::commitInPlace()
{
    const int fd = file.get();
    const qint64 size = heldData.size();
    struct stat opened;
    struct stat named;
    if (::fstat(fd, &opened) != 0 || ::stat(target.constData(), &named) != 0 ||
        opened.st_dev != named.st_dev || opened.st_ino != named.st_ino)
        return fail(QStringLiteral("пока шла работа, файл удалили или заменили другим; новый "
                                   "текст не записан"));
    if (const int error = reserveRoom(fd, size); error == EOPNOTSUPP)
        return failKeepingOld(QStringLiteral("файловая система не позволяет заранее занять место "
                                             "на диске, а без этого запись на месте могла бы "
                                             "оборваться на середине"));
    else if (error != 0)
        return failKeepingOld(systemErrorText(error));
    if (!writeFully(fd, heldData.constData(), size, 0, true) || ::ftruncate(fd, off_t(size)) != 0 ||
        !flushedToDisk(fd))
        return fail(systemErrorText(errno) +
                    QStringLiteral("; файл мог остаться записанным не полностью"));
    if (::close(file.release()) != 0 && errno != EINTR)
        return failWith(errno);
    heldData.clear();
    held = false;
    return true;
}

void FileWriter::cancel()
{
    file.reset();
    if (!temporary.isEmpty())
        ::unlink(temporary.constData());
    forgetForSignals(std::exchange(signalSlot, -1));
    temporary.clear();
    heldData.clear();
    held = false;
    replacing = false;
    takesOver = false;
}

bool FileWriter::fail(const QString &reason)
{
    failureText = reason;
    cancel();
    return false;
}

bool FileWriter::failWith(int error)
{
    return fail(systemErrorText(error));
}

bool FileWriter::failKeepingOld(const QString &reason)
{
    return fail(reason + QStringLiteral("; файл остался прежним"));
}

QString writeWholeFile(const QString &path, const QByteArray &bytes)
{
    FileWriter writer;
    if (writer.open(path, Pipes::Refuse) && writer.write(bytes) && writer.commit())
        return QString();
    return writer.failure();
}

} // namespace documentio
