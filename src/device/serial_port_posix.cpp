// termios serial port. The device path "\\.\NAME" names the tty NAME (a full
// path such as /dev/ttyACM0 or /dev/pts/3). The descriptor is non-blocking and
// every transfer waits in poll(), so the Win32 time-outs are reproduced
// without spinning.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string_view>

#include "device/serial_port.h"

namespace gvc {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kDevicePrefix = "\\\\.\\";

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return static_cast<int>(left);
}

class PosixSerialPort : public SerialPort {
public:
    ~PosixSerialPort() override { Close(); }

    bool Open(const std::string& devicePath) override {
        std::string_view name = devicePath;
        if (name.starts_with(kDevicePrefix)) name.remove_prefix(kDevicePrefix.size());
        if (name.empty()) return false;
        const std::string path(name);
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        // Exclusive: TIOCEXCL refuses later opens by ordinary users, the lock
        // refuses every other program that also locks (root ignores TIOCEXCL).
        if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        (void)::ioctl(fd, TIOCEXCL);
        // A port opened anew starts with an empty input queue, as after the
        // last close of a real port; a pseudo-terminal whose other side stayed
        // open may still hold bytes meant for the previous holder.
        (void)::tcflush(fd, TCIFLUSH);
        fd_ = fd;
        return true;
    }

    void Configure() override {
        if (fd_ < 0) return;
        (void)::tcgetattr(fd_, &saved_);
        termios settings = saved_;
        ::cfmakeraw(&settings);
        (void)::cfsetispeed(&settings, B115200);
        (void)::cfsetospeed(&settings, B115200);
        // cfmakeraw leaves stop bits and flow control alone: clear them.
        settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE | CRTSCTS);
        settings.c_cflag |= CS8 | CREAD | CLOCAL;
        settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
        (void)::tcsetattr(fd_, TCSANOW, &settings);
        // DTR raised, RTS lowered. A pseudo-terminal has no modem lines and
        // refuses these; that is ignored like every other settings failure.
        int dtr = TIOCM_DTR;
        int rts = TIOCM_RTS;
        (void)::ioctl(fd_, TIOCMBIS, &dtr);
        (void)::ioctl(fd_, TIOCMBIC, &rts);
    }

    void Close() override {
        if (fd_ < 0) return;
        ::close(fd_);
        fd_ = -1;
    }

    bool IsOpen() const override { return fd_ >= 0; }

    std::size_t Write(const std::uint8_t* data, std::size_t size) override {
        if (fd_ < 0) return 0;
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(kWriteTotalMultiplierMs * static_cast<long long>(size) +
                                                     kWriteTotalConstantMs);
        std::size_t written = 0;
        while (written < size) {
            const ssize_t n = ::write(fd_, data + written, size - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
            const int left = MillisecondsLeft(deadline);
            if (left == 0) break;
            pollfd p{fd_, POLLOUT, 0};
            const int ready = ::poll(&p, 1, left);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
        }
        return written;
    }

    std::size_t Read(std::uint8_t* data, std::size_t size) override {
        if (fd_ < 0) return 0;
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(kReadTotalMultiplierMs * static_cast<long long>(size) +
                                                     kReadTotalConstantMs);
        std::size_t got = 0;
        bool polledReadable = false;
        while (got < size) {
            const ssize_t n = ::read(fd_, data + got, size - got);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
                polledReadable = false;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            // With VMIN and VTIME at 0 a tty read returns 0 when nothing is
            // waiting; an error other than "nothing yet" means the line is gone,
            // and so does nothing to read right after poll() said readable.
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) break;
            if (polledReadable) break;
            int wait = MillisecondsLeft(deadline);
            if (got > 0 && wait > kReadIntervalMs) wait = kReadIntervalMs;
            if (wait == 0) break;
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, wait);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;                 // the interval or the total ran out
            if ((p.revents & POLLIN) == 0) break;  // hang-up or error without data
            polledReadable = true;
        }
        return got;
    }

private:
    int fd_ = -1;
    termios saved_{};
};

}  // namespace

std::unique_ptr<SerialPort> MakeSystemSerialPort() {
    return std::make_unique<PosixSerialPort>();
}

}  // namespace gvc
