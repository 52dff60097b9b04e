// SPDX-FileCopyrightText: 2026 gammacrypt developers
// SPDX-License-Identifier: GPL-3.0-or-later

#ifndef GAMMACRYPT_FILEACCESS_H
#define GAMMACRYPT_FILEACCESS_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The document code's own calls to the system, where Qt has no portable way: what kind of
// file a path names, opening without waiting for a pipe's other end, and replacing a file
// while keeping its owner, group, mode and hard links. POSIX only.
namespace documentio {

enum class FileKind { Missing, Regular, Folder, Fifo, Socket, CharDevice, BlockDevice, Other };

struct FileStatus
{
    FileKind kind = FileKind::Missing;
    qint64 size = 0;
};

// Russian phrases for the system's usual error numbers; the system's own text, with its
// number, only for the rare rest.
QString systemErrorText(int error);

// "67 108 865 байт": every byte, thousands apart.
QString byteCountText(qint64 bytes);

// The window refuses pipes and sockets, whose opening or writing waits for the other end;
// the tool reads and writes them as any program in a pipeline does.
enum class Pipes { Refuse, Allow };

// A descriptor that closes itself.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor &&other) noexcept : fd(other.release()) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        reset(other.release());
        return *this;
    }

    int get() const { return fd; }
    bool isOpen() const { return fd >= 0; }
    int release();
    void reset(int newFd = -1);

private:
    int fd;
};

FileStatus descriptorStatus(int fd);

// Opens path for reading; a folder, and with Pipes::Refuse a pipe or socket, is refused
// without waiting. On failure the descriptor is closed and reason is a Russian phrase.
FileDescriptor openForReading(const QString &path, Pipes pipes, QString &reason);

// Writes a file so that readers never see half of it where that can be helped: a regular
// file with one name is replaced by a complete new file that takes over its owner, group and
// mode, its ACL and other extended attributes, as they are at commit(). It is written in
// place instead when it has other hard links (they must see the new text), when its folder
// takes no new files, or when its owner or attributes cannot be kept; then the data is held
// until commit(), and the room for all of it is taken before the first old byte changes, so
// that a failed run leaves it as it was. Devices and pipes are written in place as the data
// comes; a name for a descriptor the program already has (/dev/stdout, /proc/self/fd/3) is
// written through that descriptor. A symbolic link whose target is missing creates the
// target.
class FileWriter
{
public:
    FileWriter() = default;
    ~FileWriter() { cancel(); }
    FileWriter(const FileWriter &) = delete;
    FileWriter &operator=(const FileWriter &) = delete;

    bool open(const QString &path, Pipes pipes);
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    bool commit();
    void cancel();

    bool writesInPlace() const { return !replacing; }
    // After a false result: why, as a Russian phrase.
    QString failure() const { return failureText; }

private:
    bool openReplacement(const QByteArray &target, bool exists);
    bool openInPlace(const QByteArray &target, Pipes pipes);
    bool openDescriptor(int fd, const QByteArray &name, Pipes pipes);
    bool takeOverAttributes();
    bool commitInPlace();
    bool fail(const QString &reason);
    bool failWith(int error);
    bool failKeepingOld(const QString &reason);

    QString path;
    FileDescriptor file;
    QByteArray target;
    QByteArray temporary;   // the new file beside the target, until commit
    bool replacing = false; // temporary is renamed over target
    bool takesOver = false; // temporary takes target's owner, mode and attributes
    int signalSlot = -1;    // where temporary is known to the signal handler
    bool held = false;      // a regular file written in place: data kept in heldData
    QByteArray heldData;
    QString failureText;
};

// Makes Ctrl-C, SIGTERM and SIGHUP remove the new files that FileWriter makes beside their
// targets before the program ends; the targets stay as they were. Signals the program was
// started ignoring stay ignored.
void removeTemporaryFilesOnSignals();

// Replaces the contents of path with bytes as FileWriter does, pipes refused. Returns an
// empty string on success, otherwise the reason.
QString writeWholeFile(const QString &path, const QByteArray &bytes);

// Reads at most limit + 1 bytes from a descriptor; reason is set on a read error.
QByteArray readUpTo(int fd, qint64 limit, QString &reason);

} // namespace documentio

#endif // GAMMACRYPT_FILEACCESS_H
