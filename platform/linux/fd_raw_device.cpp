#include "platform/linux/fd_raw_device.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavrin::platform {

namespace {

// The device's own ends: it was unbound or unplugged, or the other end of
// the socket closed.
bool meansGone(int error) {
    return error == ENODEV || error == ENXIO || error == EPIPE || error == ECONNRESET ||
           error == EBADF;
}

}  // namespace

FdRawDevice::FdRawDevice(int fd) : fd_(fd) {
    if (fd_ < 0) {
        gone_ = true;
        lastError_ = "no device";
        return;
    }
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    }
}

FdRawDevice::~FdRawDevice() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

RawDevice::Io FdRawDevice::fail(Io io, int error) {
    lastError_ = std::strerror(error);
    if (io == Io::Gone) {
        gone_ = true;
    }
    return io;
}

RawDevice::Io FdRawDevice::writeByte(std::uint8_t byte) {
    if (gone_) {
        return Io::Gone;
    }
    for (;;) {
        // send() keeps a closed socket from raising SIGPIPE; the misc
        // device is no socket and takes write().
        ssize_t n = ::send(fd_, &byte, 1, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) {
            n = ::write(fd_, &byte, 1);
        }
        if (n == 1) {
            return Io::Ok;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        const int error = n < 0 ? errno : EIO;
        return fail(meansGone(error) ? Io::Gone : Io::Failed, error);
    }
}

RawDevice::Io FdRawDevice::readAvailable(std::vector<std::uint8_t>& bytes) {
    if (gone_) {
        return Io::Gone;
    }
    std::uint8_t buffer[64];
    for (;;) {
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
            continue;
        }
        if (n == 0) {
            return fail(Io::Gone, ENODEV);  // the other end closed
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        }
        // serio_raw answers a read with ENODEV once its port is gone; any
        // other read error leaves nothing to read either.
        return fail(Io::Gone, errno);
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 &&
        (p.revents & POLLIN) == 0) {
        return fail(Io::Gone, ENODEV);
    }
    return Io::Ok;
}

void FdRawDevice::waitReadable(std::uint32_t ms) {
    if (gone_) {
        return;
    }
    pollfd p{fd_, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(ms));
}

}  // namespace tavrin::platform
