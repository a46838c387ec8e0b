#include "core/ports/files.h"

#include "linux/ports/fd_io.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvan {
namespace {

Error ioError(const std::string& what, const std::filesystem::path& path, int err) {
    return makeError(err == ENOENT ? ErrorCode::NotFound : ErrorCode::Io,
                     what + " " + path.string() + ": " + std::strerror(err));
}

class PosixFiles final : public Files {
public:
    Result<std::string> readAll(const std::filesystem::path& path) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return ioError("cannot open", path, errno);
        std::string out;
        char buffer[65536];
        for (;;) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                int err = errno;
                ::close(fd);
                return ioError("cannot read", path, err);
            }
            if (n == 0) break;
            out.append(buffer, static_cast<size_t>(n));
        }
        ::close(fd);
        return out;
    }

    Result<void> replaceAtomically(const std::filesystem::path& path,
                                   std::string_view data) override {
        // Keep the mode of an existing file; a new one is the user's alone.
        mode_t mode = S_IRUSR | S_IWUSR;
        struct stat st;
        if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;

        std::filesystem::path dir = path.parent_path();
        if (dir.empty()) dir = ".";
        std::string tmpl = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
        int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
        if (fd < 0) return ioError("cannot create a file in", dir, errno);
        auto fail = [&](const char* what) -> Result<void> {
            int err = errno;
            ::close(fd);
            ::unlink(tmpl.c_str());
            return ioError(what, path, err);
        };
        if (::fchmod(fd, mode) != 0) return fail("cannot set the mode of");
        if (!writeAll(fd, data)) return fail("cannot write");
        if (::fsync(fd) != 0) return fail("cannot flush");
        if (::close(fd) != 0) {
            int err = errno;
            ::unlink(tmpl.c_str());
            return ioError("cannot close", path, err);
        }
        if (::rename(tmpl.c_str(), path.c_str()) != 0) {
            int err = errno;
            ::unlink(tmpl.c_str());
            return ioError("cannot replace", path, err);
        }
        // The rename itself must reach the disk too.
        int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        return {};
    }

    Result<void> writePrivate(const std::filesystem::path& path, std::string_view data) override {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0) return ioError("cannot create", path, errno);
        // An existing file keeps its mode through O_CREAT: narrow it.
        ::fchmod(fd, S_IRUSR | S_IWUSR);
        if (!writeAll(fd, data)) {
            int err = errno;
            ::close(fd);
            return ioError("cannot write", path, err);
        }
        if (::close(fd) != 0) return ioError("cannot close", path, errno);
        return {};
    }

    bool exists(const std::filesystem::path& path) override {
        struct stat st;
        return ::lstat(path.c_str(), &st) == 0;
    }
};

}  // namespace

std::unique_ptr<Files> makeSystemFiles() { return std::make_unique<PosixFiles>(); }

}  // namespace korvan
