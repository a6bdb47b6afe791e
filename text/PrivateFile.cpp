#include "PrivateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace text {

int OpenPrivateForAppend(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0) {
        error = errno == ELOOP ? "the file is a symbolic link" : std::strerror(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        ::close(fd);
        return -1;
    }
    if (st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        ::fchmod(fd, st.st_mode & S_IRWXU);
    // Writes to a regular file never wait; the flag only kept the open from blocking.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace text
