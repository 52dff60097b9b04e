#ifndef GAMMACRYPT_FIFOGUARD_H
#define GAMMACRYPT_FIFOGUARD_H

#include <QFile>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

// If a FIFO's opening ever waits again, the other end is opened after a while, so that the
// test fails instead of hanging.
class FifoGuard
{
public:
    explicit FifoGuard(const QString &path)
        : waiter([this, native = QFile::encodeName(path)] {
              std::unique_lock<std::mutex> lock(mutex);
              if (!done.wait_for(lock, std::chrono::seconds(20), [this] { return finished; }))
                  ::close(::open(native.constData(), O_RDWR | O_NONBLOCK));
          })
    {
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~FifoGuard()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        done.notify_one();
        waiter.join();
    }

private:
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread waiter;
};

#endif // GAMMACRYPT_FIFOGUARD_H
