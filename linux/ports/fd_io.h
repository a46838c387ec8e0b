#pragma once

#include <cerrno>
#include <string_view>
#include <unistd.h>

namespace korvan {

// Writes all of `data` to `fd`, going on after short writes and signals.
// False when a write fails (errno tells why).
inline bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace korvan
