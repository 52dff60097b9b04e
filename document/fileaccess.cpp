// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fileaccess.h"

#include "filenames.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

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
    struct stat status;
    if (::stat(native.constData(), &status) != 0) {
        if (errno != ENOENT)
            return fail(openFailureText(native, errno, true));
        return openReplacement(native, false);
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

// A new file beside the target. For an existing target it takes over the owner, group and
// mode first; false with no failure set means the target must be written in place instead.
bool FileWriter::openReplacement(const QByteArray &targetPath, bool exists)
{
    const QByteArray folder = folderOf(targetPath);
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
    if (exists) {
        struct stat status;
        if (::stat(targetPath.constData(), &status) != 0 ||
            ::fchown(file.get(), status.st_uid, status.st_gid) != 0 ||
            ::fchmod(file.get(), status.st_mode & 07777) != 0) {
            cancel();
            return false;
        }
    }
    target = targetPath;
    replacing = true;
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
    if (replacing && !flushedToDisk(file.get()))
        return failWith(errno);
    if (::close(file.release()) != 0 && errno != EINTR)
        return failWith(errno);
    if (replacing && ::rename(temporary.constData(), target.constData()) != 0)
        return failWith(errno);
    temporary.clear();
    replacing = false;
    return true;
}

// Room for a longer text is taken before the first byte changes, so that a full disk
// leaves the file as it was.
bool FileWriter::commitInPlace()
{
    const int fd = file.get();
    const qint64 size = heldData.size();
    if (size > descriptorStatus(fd).size) {
        const int error = ::posix_fallocate(fd, 0, off_t(size));
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            return failWith(error);
    }
    if (!writeFully(fd, heldData.constData(), size, 0, true) || ::ftruncate(fd, off_t(size)) != 0 ||
        !flushedToDisk(fd))
        return failWith(errno);
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
    temporary.clear();
    heldData.clear();
    held = false;
    replacing = false;
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

QString writeWholeFile(const QString &path, const QByteArray &bytes)
{
    FileWriter writer;
    if (writer.open(path, Pipes::Refuse) && writer.write(bytes) && writer.commit())
        return QString();
    return writer.failure();
}

} // namespace documentio
