#pragma once

#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace swapwright::test {

// A FIFO and a listening UNIX socket at the given names: files that are no regular files.
inline void makeFifo(const std::string& name) {
    if (::mkfifo(name.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo failed: " + name);
}

inline void makeSocket(const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= sizeof address.sun_path)
        throw std::runtime_error("socket name too long: " + name);
    std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd); // the name stays
    if (!bound)
        throw std::runtime_error("bind failed: " + name);
}

} // namespace swapwright::test
