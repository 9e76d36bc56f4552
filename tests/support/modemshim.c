/* Modem lines for pseudo-terminals, loaded with LD_PRELOAD.
 *
 * A pty has no RTS, DTR, CTS, DSR, DCD or RI: the kernel refuses the modem
 * ioctls on it. This library answers them instead, keeping each slave's line
 * bits in a directory named by ONDRIX_MODEMSHIM_DIR:
 *
 *   <dir>/<n>.lines    the bits as decimal text (n is the pts number); the
 *                      program sets RTS/DTR there, the test sets CTS/DSR/DCD/RI
 *   <dir>/<n>.lock     flock()ed around every read-modify-write of .lines
 *   <dir>/<n>.removed  while it exists every modem ioctl fails with EIO, as
 *                      on an adapter that was pulled out
 *   <dir>/<n>.log      one line per modem ioctl:
 *                      "<CLOCK_MONOTONIC ns> <request name> <bits after, -1 on failure>"
 *
 * A hung-up terminal (the master side closed) fails with the kernel's own
 * error, so a real unplug is seen as such. Without ONDRIX_MODEMSHIM_DIR, and
 * for every other descriptor and request, ioctl passes through untouched.
 *
 * Everything here runs inside ioctl: no allocation, only plain system calls,
 * and never ioctl itself except through the next definition. */

#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* Lets a test program check that it runs under the shim. */
__attribute__((visibility("default"))) const int ondrix_modemshim_loaded = 1;

enum {
    kPtySlaveMajor = 136, /* UNIX98 pty slaves: majors 136..143 */
    kPtySlaveMajors = 8,
    kOutputs = TIOCM_DTR | TIOCM_RTS,
};

static ioctl_fn next_ioctl(void) {
    static ioctl_fn cached;
    ioctl_fn fn = __atomic_load_n(&cached, __ATOMIC_ACQUIRE);
    if (!fn) {
        void* sym = dlsym(RTLD_NEXT, "ioctl");
        memcpy(&fn, &sym, sizeof fn);
        __atomic_store_n(&cached, fn, __ATOMIC_RELEASE);
    }
    return fn;
}

static const char* request_name(unsigned long request) {
    switch (request) {
    case TIOCMGET:
        return "TIOCMGET";
    case TIOCMSET:
        return "TIOCMSET";
    case TIOCMBIS:
        return "TIOCMBIS";
    case TIOCMBIC:
        return "TIOCMBIC";
    case TIOCMIWAIT:
        return "TIOCMIWAIT";
    default:
        return NULL;
    }
}

/* The pts number of a pty slave, else -1. */
static int pts_number(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return -1;
    const unsigned int maj = major(st.st_rdev);
    if (maj < kPtySlaveMajor || maj >= kPtySlaveMajor + kPtySlaveMajors)
        return -1;
    return (int)((maj - kPtySlaveMajor) * 256 + minor(st.st_rdev));
}

static int state_path(char* buf, size_t size, const char* dir, int n, const char* suffix) {
    const int len = snprintf(buf, size, "%s/%d.%s", dir, n, suffix);
    return len > 0 && (size_t)len < size;
}

static int read_bits(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[32];
    const ssize_t len = read(fd, text, sizeof text - 1);
    close(fd);
    if (len <= 0)
        return 0;
    text[len] = '\0';
    return (int)strtol(text, NULL, 10);
}

/* Replaces the file whole, so a reader never sees half a number. */
static int write_bits(const char* path, int bits) {
    char tmp[4200];
    if (snprintf(tmp, sizeof tmp, "%s.%d.tmp", path, (int)getpid()) >= (int)sizeof tmp)
        return -1;
    const int fd = open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    char text[32];
    const int len = snprintf(text, sizeof text, "%d\n", bits);
    const int ok = write(fd, text, (size_t)len) == len;
    close(fd);
    if (!ok || rename(tmp, path) != 0) {
        unlink(tmp);
        return -1;
    }
    return 0;
}

static void append_log(const char* dir, int n, unsigned long request, int bits) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    char path[4200];
    if (!state_path(path, sizeof path, dir, n, "log"))
        return;
    char line[96];
    const int len =
        snprintf(line, sizeof line, "%lld %s %d\n",
                 (long long)now.tv_sec * 1000000000LL + now.tv_nsec, request_name(request), bits);
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    /* One write with O_APPEND: lines from several processes never interleave. */
    if (write(fd, line, (size_t)len) != len) {
        /* the log is best effort */
    }
    close(fd);
}

static int fail(const char* dir, int n, unsigned long request, int error) {
    append_log(dir, n, request, -1);
    errno = error;
    return -1;
}

static int simulate(ioctl_fn real, const char* dir, int n, int fd, unsigned long request,
                    int* arg) {
    const int saved_errno = errno;

    /* A live pty refuses modem requests with ENOTTY or EINVAL; anything else
     * (EIO from a hung-up terminal, EBADF) is the device's real answer. */
    int probe = 0;
    if (real(fd, TIOCMGET, &probe) == 0) {
        errno = saved_errno;
        return real(fd, request, arg);
    }
    if (errno != ENOTTY && errno != EINVAL)
        return fail(dir, n, request, errno);

    char path[4200];
    struct stat st;
    if (!state_path(path, sizeof path, dir, n, "removed"))
        return fail(dir, n, request, ENAMETOOLONG);
    if (stat(path, &st) == 0)
        return fail(dir, n, request, EIO);
    if (request == TIOCMIWAIT)
        return fail(dir, n, request, EINVAL);
    if (!arg)
        return fail(dir, n, request, EFAULT);

    char lines[4200];
    if (!state_path(lines, sizeof lines, dir, n, "lines"))
        return fail(dir, n, request, ENAMETOOLONG);

    if (request == TIOCMGET) {
        *arg = read_bits(lines);
        append_log(dir, n, request, *arg);
        errno = saved_errno;
        return 0;
    }

    if (!state_path(path, sizeof path, dir, n, "lock"))
        return fail(dir, n, request, ENAMETOOLONG);
    const int lock = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0)
        return fail(dir, n, request, EIO);
    flock(lock, LOCK_EX);
    int bits = read_bits(lines);
    const int requested = *arg & kOutputs; /* the inputs are the far side's */
    if (request == TIOCMSET)
        bits = (bits & ~kOutputs) | requested;
    else if (request == TIOCMBIS)
        bits |= requested;
    else
        bits &= ~requested;
    const int written = write_bits(lines, bits);
    close(lock); /* releases the flock */
    if (written != 0)
        return fail(dir, n, request, EIO);
    append_log(dir, n, request, bits);
    errno = saved_errno;
    return 0;
}

int ioctl(int fd, unsigned long request, ...) {
    /* Every ioctl argument is a pointer or fits in one. */
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);

    const ioctl_fn real = next_ioctl();
    if (!real) {
        errno = ENOSYS;
        return -1;
    }
    if (!request_name(request))
        return real(fd, request, arg);
    const char* dir = getenv("ONDRIX_MODEMSHIM_DIR");
    if (!dir || !*dir)
        return real(fd, request, arg);
    const int n = pts_number(fd);
    if (n < 0)
        return real(fd, request, arg);
    return simulate(real, dir, n, fd, request, (int*)arg);
}
