/* Preloaded into pictaf-convert by the tests: open() refuses O_TMPFILE as
 * file systems without unnamed temporary files do, so outputs take the named
 * temporary way that the signal handler must clean up. */
#define _GNU_SOURCE
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/types.h>

typedef int (*OpenFunction)(const char*, int, ...);

static int openRefusingTmpfile(const char* symbol, const char* path, int flags, mode_t mode)
{
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    OpenFunction real = (OpenFunction)dlsym(RTLD_NEXT, symbol);
    return real(path, flags, mode);
}

int open(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return openRefusingTmpfile("open", path, flags, mode);
}

int open64(const char* path, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return openRefusingTmpfile("open64", path, flags, mode);
}
