#include "core/ports/protection.h"

#include "linux/ports/fd_io.h"

#include <fcntl.h>
#include <pwd.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

namespace korvan {
namespace {

// Protected bytes are a random nonce followed by crypto_secretbox_easy's
// output (authenticator, then ciphertext) under the user's key. The
// authenticator makes damaged data and data sealed under another key fail
// to open instead of yielding garbage. The key file holds the 32 raw key
// bytes and nothing else; its permissions are what keeps other users out.
constexpr size_t kKeyBytes = crypto_secretbox_KEYBYTES;
constexpr size_t kOverhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
constexpr const char* kKeyFileName = "protection.key";

using Key = std::array<unsigned char, kKeyBytes>;

bool sodiumReady() {
    static const bool ready = ::sodium_init() >= 0;
    return ready;
}

std::filesystem::path configDirectory() {
    // A relative XDG_CONFIG_HOME is invalid and must be ignored.
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
        return std::filesystem::path(x) / "korvan3389";
    std::filesystem::path home;
    if (const char* h = std::getenv("HOME"); h && *h)
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    else
        home = "/";
    return home / ".config" / "korvan3389";
}

Error ioError(const std::string& what, const std::filesystem::path& path, int err) {
    return makeError(err == ENOENT ? ErrorCode::NotFound : ErrorCode::Io,
                     what + " " + path.string() + ": " + std::strerror(err));
}

// Reads the key file. nullopt with errno ENOENT when there is none.
Result<std::optional<Key>> readKey(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT) return std::optional<Key>();
        return ioError("cannot open the protection key", path, errno);
    }
    Key key{};
    unsigned char extra = 0;
    size_t got = 0;
    bool tooLong = false;
    for (;;) {
        ssize_t n = got < key.size() ? ::read(fd, key.data() + got, key.size() - got)
                                     : ::read(fd, &extra, 1);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            return ioError("cannot read the protection key", path, err);
        }
        if (n == 0) break;
        if (got == key.size()) {
            tooLong = true;
            break;
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got != key.size() || tooLong) {
        ::sodium_memzero(key.data(), key.size());
        return makeError(ErrorCode::Format, "the protection key " + path.string() + " is damaged");
    }
    return std::optional<Key>(key);
}

// Creates the directory (0700) and a new key file (0600) unless one is
// already there. The key is written to a private temporary file first and
// then linked to its final name: link() never replaces an existing file, so
// when two processes race, exactly one key wins and both go on to use it.
Result<void> createKey(const std::filesystem::path& dir, const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::create_directories(dir.parent_path(), ec);
    if (::mkdir(dir.c_str(), S_IRWXU) != 0 && errno != EEXIST)
        return ioError("cannot create", dir, errno);

    std::string tmpl = (dir / ".protection.key.XXXXXX").string();
    int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) return ioError("cannot create a file in", dir, errno);
    Key key{};
    ::randombytes_buf(key.data(), key.size());
    bool written =
        ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 &&
        writeAll(fd, std::string_view(reinterpret_cast<const char*>(key.data()), key.size())) &&
        ::fsync(fd) == 0;
    int err = errno;
    ::sodium_memzero(key.data(), key.size());
    if (::close(fd) != 0 && written) {
        written = false;
        err = errno;
    }
    if (!written) {
        ::unlink(tmpl.c_str());
        return ioError("cannot write the protection key", path, err);
    }
    int linked = ::link(tmpl.c_str(), path.c_str());
    err = errno;
    ::unlink(tmpl.c_str());
    if (linked != 0 && err != EEXIST) return ioError("cannot create the protection key", path, err);
    return {};
}

class SodiumProtection final : public Protection {
public:
    ~SodiumProtection() override { ::sodium_memzero(key.data(), key.size()); }

    Result<std::string> protect(std::string_view data, std::u16string_view) override {
        // libsodium keeps no description; nothing reads it back anyway.
        auto ready = useKey(true);
        if (!ready) return ready.error();
        std::string out(kOverhead + data.size(), '\0');
        auto* bytes = reinterpret_cast<unsigned char*>(out.data());
        ::randombytes_buf(bytes, crypto_secretbox_NONCEBYTES);
        ::crypto_secretbox_easy(bytes + crypto_secretbox_NONCEBYTES,
                                reinterpret_cast<const unsigned char*>(data.data()), data.size(),
                                bytes, key.data());
        return out;
    }

    Result<std::string> unprotect(std::string_view sealed) override {
        if (sealed.size() < kOverhead)
            return makeError(ErrorCode::Format, "the protected data is too short");
        // Without a key nothing this user protected can exist: do not make one.
        auto ready = useKey(false);
        if (!ready) return ready.error();
        const auto* bytes = reinterpret_cast<const unsigned char*>(sealed.data());
        std::string out(sealed.size() - kOverhead, '\0');
        if (::crypto_secretbox_open_easy(
                reinterpret_cast<unsigned char*>(out.data()), bytes + crypto_secretbox_NONCEBYTES,
                sealed.size() - crypto_secretbox_NONCEBYTES, bytes, key.data()) != 0)
            return makeError(ErrorCode::Format,
                             "the protected data is damaged or belongs to another user");
        return out;
    }

private:
    // Loads the key once per object; `create` makes one when there is none.
    Result<void> useKey(bool create) {
        std::lock_guard lock(mutex);
        if (loaded) return {};
        if (!sodiumReady()) return makeError(ErrorCode::Failed, "libsodium cannot start");
        auto dir = configDirectory();
        auto path = dir / kKeyFileName;
        auto found = readKey(path);
        if (!found) return found.error();
        if (!found.value()) {
            if (!create)
                return makeError(ErrorCode::NotFound,
                                 "there is no protection key " + path.string());
            auto made = createKey(dir, path);
            if (!made) return made.error();
            found = readKey(path);
            if (!found) return found.error();
            if (!found.value())
                return makeError(ErrorCode::Io, "the protection key " + path.string() +
                                                    " vanished after it was created");
        }
        key = *found.value();
        ::sodium_memzero(found.value()->data(), kKeyBytes);
        loaded = true;
        return {};
    }

    std::mutex mutex;
    Key key{};
    bool loaded = false;
};

}  // namespace

std::unique_ptr<Protection> makeSystemProtection() { return std::make_unique<SodiumProtection>(); }

}  // namespace korvan
