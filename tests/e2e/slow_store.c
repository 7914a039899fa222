/* Preloaded into Zelvaro by the ending tests: the settings store becomes slow to write, as on a
 * stalled network home folder. When a file named "Zelvaro.conf" is about to be put in place (by
 * rename or by linking a temporary file), the caller first creates the file named by
 * ZELVARO_SLOW_STORE_MARK (so a test knows the save has begun) and then sleeps for
 * ZELVARO_SLOW_STORE_MS milliseconds. Every other call goes straight through. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int IsStoreFile(const char *path)
{
    const char *slash = strrchr(path, '/');
    return strcmp(slash ? slash + 1 : path, "Zelvaro.conf") == 0;
}

static void StallIfStore(const char *path)
{
    if (!path || !IsStoreFile(path))
        return;
    const char *mark = getenv("ZELVARO_SLOW_STORE_MARK");
    if (mark) {
        int fd = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            close(fd);
    }
    const char *ms = getenv("ZELVARO_SLOW_STORE_MS");
    long stall = ms ? strtol(ms, NULL, 10) : 0;
    struct timespec left = {stall / 1000, (stall % 1000) * 1000000L};
    /* A signal handler interrupts the sleep; the stall still lasts its whole time. */
    while (nanosleep(&left, &left) != 0) {
    }
}

int rename(const char *from, const char *to)
{
    StallIfStore(to);
    int (*next)(const char *, const char *) = (int (*)(const char *, const char *))dlsym(RTLD_NEXT, "rename");
    return next(from, to);
}

int linkat(int fromDir, const char *from, int toDir, const char *to, int flags)
{
    StallIfStore(to);
    int (*next)(int, const char *, int, const char *, int) =
        (int (*)(int, const char *, int, const char *, int))dlsym(RTLD_NEXT, "linkat");
    return next(fromDir, from, toDir, to, flags);
}
