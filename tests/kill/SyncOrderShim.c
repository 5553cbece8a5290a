/* Preloaded into a command, records the order of its writes, syncs and
 * renames in $KIVELO_SYNC_LOG, one line each: "W path", "S path", "R from to"
 * (repeats of the same line in a row are left out). The kill test reads it to
 * check that an output takes its name only after its data and its folder
 * reached the disk, as a power loss needs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int logFd = -2;
static char lastLine[2 * PATH_MAX + 8];

static ssize_t (*realWrite)(int, const void*, size_t);

static void Record(char kind, const char* a, const char* b) {
    pthread_mutex_lock(&lock);
    if (realWrite == NULL) realWrite = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    if (logFd == -2) {
        const char* path = getenv("KIVELO_SYNC_LOG");
        logFd = path != NULL ? open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }
    if (logFd >= 0) {
        char line[sizeof lastLine];
        int n = b != NULL ? snprintf(line, sizeof line, "%c %s %s\n", kind, a, b)
                          : snprintf(line, sizeof line, "%c %s\n", kind, a);
        if (n > 0 && (size_t)n < sizeof line && strcmp(line, lastLine) != 0) {
            memcpy(lastLine, line, (size_t)n + 1);
            realWrite(logFd, line, (size_t)n);
        }
    }
    pthread_mutex_unlock(&lock);
}

static void RecordFd(char kind, int fd) {
    if (fd == logFd || fd < 0) return;
    char link[64];
    char path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0) return;
    path[n] = '\0';
    if (path[0] != '/') return; /* pipes, sockets, terminals */
    if (strncmp(path, "/dev/", 5) == 0 || strncmp(path, "/proc/", 6) == 0) return;
    Record(kind, path, NULL);
}

static void Absolute(const char* path, char* out) {
    if (path[0] == '/') {
        snprintf(out, PATH_MAX, "%s", path);
        return;
    }
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == NULL) cwd[0] = '\0';
    while (path[0] == '.' && path[1] == '/') path += 2;
    snprintf(out, PATH_MAX, "%s/%s", cwd, path);
}

static void RecordMove(const char* from, const char* to) {
    char a[PATH_MAX];
    char b[PATH_MAX];
    Absolute(from, a);
    Absolute(to, b);
    Record('R', a, b);
}

#define NEXT(type, name) ((type)dlsym(RTLD_NEXT, name))

ssize_t write(int fd, const void* data, size_t size) {
    if (realWrite == NULL) realWrite = NEXT(ssize_t(*)(int, const void*, size_t), "write");
    RecordFd('W', fd);
    return realWrite(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t at) {
    RecordFd('W', fd);
    return NEXT(ssize_t(*)(int, const void*, size_t, off_t), "pwrite")(fd, data, size, at);
}

ssize_t writev(int fd, const struct iovec* parts, int count) {
    RecordFd('W', fd);
    return NEXT(ssize_t(*)(int, const struct iovec*, int), "writev")(fd, parts, count);
}

int fsync(int fd) {
    int result = NEXT(int (*)(int), "fsync")(fd);
    if (result == 0) RecordFd('S', fd);
    return result;
}

int fdatasync(int fd) {
    int result = NEXT(int (*)(int), "fdatasync")(fd);
    if (result == 0) RecordFd('S', fd);
    return result;
}

int rename(const char* from, const char* to) {
    int result = NEXT(int (*)(const char*, const char*), "rename")(from, to);
    if (result == 0) RecordMove(from, to);
    return result;
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    int result = NEXT(int (*)(int, const char*, int, const char*), "renameat")(fromDir, from, toDir, to);
    if (result == 0) RecordMove(from, to);
    return result;
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    int result =
        NEXT(int (*)(int, const char*, int, const char*, unsigned int), "renameat2")(fromDir, from, toDir, to, flags);
    if (result == 0) RecordMove(from, to);
    return result;
}

int link(const char* from, const char* to) {
    int result = NEXT(int (*)(const char*, const char*), "link")(from, to);
    if (result == 0) RecordMove(from, to);
    return result;
}
