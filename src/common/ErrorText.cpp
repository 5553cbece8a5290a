#include "common/ErrorText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>

namespace kivelo {

std::string PlainErrorText(int err) {
    switch (err) {
    case ENOENT: return "no such file";
    case EACCES:
    case EPERM: return "permission denied";
    case ENOTDIR: return "a part of the path is not a folder";
    case EISDIR: return "it is a folder";
    case ELOOP: return "too many symbolic links";
    case ENAMETOOLONG: return "the name is too long";
    case ENOSPC: return "the disk is full";
    case EDQUOT: return "the disk quota is used up";
    case EROFS: return "the folder is read-only";
    case EEXIST: return "the file already exists";
    case EIO: return "an input/output error of the disk";
    case EMFILE:
    case ENFILE: return "too many open files";
    case ENOMEM: return "out of memory";
    case EFBIG: return "the file would be too large";
    default: break;
    }
    std::string text = std::strerror(err);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

std::string NotRegularText(unsigned mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return "not a regular file (a folder)";
    if (S_ISFIFO(mode)) return "not a regular file (a named pipe)";
    if (S_ISCHR(mode)) return "not a regular file (a character device)";
    if (S_ISBLK(mode)) return "not a regular file (a block device)";
    if (S_ISSOCK(mode)) return "not a regular file (a socket)";
    return "not a regular file";
}

UniqueFd OpenRegularFile(const std::string& path, std::string& cause) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.IsOpen()) {
        cause = PlainErrorText(errno);
        return fd;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        cause = PlainErrorText(errno);
        return UniqueFd();
    }
    if (!S_ISREG(st.st_mode)) {
        cause = NotRegularText(st.st_mode);
        return UniqueFd();
    }
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        cause = PlainErrorText(errno);
        return UniqueFd();
    }
    cause.clear();
    return fd;
}

}  // namespace kivelo
