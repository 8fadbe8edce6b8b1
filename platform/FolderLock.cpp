#include "FolderLock.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

// flock() without a timeout of its own: ask without blocking and sleep in between, with a
// little jitter so that waiting processes do not keep colliding in step.
bool LockWithin(int fd, int operation, int timeoutMs, int& error) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    thread_local std::minstd_rand jitter(unsigned(::getpid()));
    int pauseUs = 50;
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            error = errno;
            return false;
        }
        if (Clock::now() >= deadline) {
            error = EWOULDBLOCK;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs + int(jitter() % 200)));
        pauseUs = std::min(pauseUs * 2, 2000);
    }
}

} // namespace

CFolderLock::CFolderLock(const QString& folder, Mode mode, int timeoutMs) {
    m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    m_held = LockWithin(m_fd, mode == Mode::Exclusive ? LOCK_EX : LOCK_SH, timeoutMs, m_error);
}

CFolderLock::~CFolderLock() {
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor releases the lock
}
