// Atomic, link-safe file writing: a fresh exclusive file beside the target,
// renamed over it.
#include "platform/foundation/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

void setError(std::string* error, const std::string& what, const std::string& path, int code)
{
    if (error)
        *error = "cannot " + what + " " + path + ": " + std::strerror(code);
}

// A new file of our own beside `path`; -1 with errno set when none could be made.
int createAside(const std::string& path, unsigned mode, std::string& temp)
{
    static const char* hex = "0123456789abcdef";
    std::random_device random;
    for (int attempt = 0; attempt < 64; ++attempt) {
        temp = path + ".new-";
        for (int i = 0; i < 12; ++i)
            temp.push_back(hex[random() % 16]);
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 0777);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode, std::string* error)
{
    std::string temp;
    int fd = createAside(path, mode, temp);
    if (fd < 0) {
        setError(error, "create a file beside", path, errno);
        return false;
    }
    auto fail = [&](const char* what) {
        int saved = errno;
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        setError(error, what, path, saved);
        return false;
    };
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("write");
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0)
        return fail("flush");
    int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail("write");
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail("replace");
    return true;
}

bool restrictFileMode(const std::string& path, unsigned mode)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return true; // none there, or a link: nothing of ours to change
    struct stat st;
    bool ok = true;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0777 & ~mode) != 0)
        ok = ::fchmod(fd, st.st_mode & 0777 & mode) == 0;
    ::close(fd);
    return ok;
}

std::string keepFileAside(const std::string& path)
{
    std::string aside = path + ".unreadable";
    struct stat st {};
    for (int i = 2; ::lstat(aside.c_str(), &st) == 0 && i < 1000; ++i)
        aside = path + ".unreadable-" + std::to_string(i);
    if (::rename(path.c_str(), aside.c_str()) != 0)
        return {};
    restrictFileMode(aside, 0600);
    return aside;
}

} // namespace platform
