/* A pressed CD that reads slowly, for the tests: serves a folder read-only through FUSE at a set
 * rate, every file and folder without write permission, so that a copy from it takes seconds,
 * steadily, as one from an optical drive does. A Linux program of the tests, run as root:
 *
 *   slowcd FOLDER MOUNTPOINT BYTES_PER_SECOND
 *
 * It stays in the foreground until the mount point is unmounted (fusermount3 -u). */
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static const char* g_source;
static double g_rate;        /* bytes per second */
static double g_nextFree;    /* when the drive may deliver again, in seconds */

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* Reads are served one at a time (-s), each after the drive has delivered the ones before. */
static void Throttle(size_t bytes) {
    const double now = Now();
    const double start = g_nextFree > now ? g_nextFree : now;
    g_nextFree = start + (double)bytes / g_rate;
    const double wait = g_nextFree - now;
    if (wait > 0) {
        struct timespec t = {(time_t)wait, (long)((wait - (double)(time_t)wait) * 1e9)};
        nanosleep(&t, NULL);
    }
}

static int Source(const char* path, char* out) {
    return snprintf(out, PATH_MAX, "%s%s", g_source, path) < PATH_MAX ? 0 : -ENAMETOOLONG;
}

static int GetAttr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    (void)fi;
    char real[PATH_MAX];
    if (Source(path, real) != 0 || lstat(real, st) != 0)
        return -errno;
    st->st_mode &= ~(mode_t)0222; /* a pressed CD: nothing on it can be written */
    return 0;
}

static int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                   struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)offset;
    (void)fi;
    (void)flags;
    char real[PATH_MAX];
    if (Source(path, real) != 0)
        return -ENAMETOOLONG;
    DIR* dir = opendir(real);
    if (!dir)
        return -errno;
    struct dirent* entry;
    while ((entry = readdir(dir)) != NULL)
        fill(buffer, entry->d_name, NULL, 0, 0);
    closedir(dir);
    return 0;
}

static int Open(const char* path, struct fuse_file_info* fi) {
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    char real[PATH_MAX];
    if (Source(path, real) != 0)
        return -ENAMETOOLONG;
    const int fd = open(real, O_RDONLY);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int Read(const char* path, char* buffer, size_t size, off_t offset,
                struct fuse_file_info* fi) {
    (void)path;
    const ssize_t n = pread((int)fi->fh, buffer, size, offset);
    if (n < 0)
        return -errno;
    Throttle((size_t)n);
    return (int)n;
}

static int Release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 4 || atof(argv[3]) <= 0) {
        fprintf(stderr, "usage: slowcd FOLDER MOUNTPOINT BYTES_PER_SECOND\n");
        return 2;
    }
    g_source = argv[1];
    g_rate = atof(argv[3]);
    static const struct fuse_operations operations = {
        .getattr = GetAttr, .readdir = ReadDir, .open = Open, .read = Read, .release = Release};
    char* fuseArgs[] = {argv[0], "-f", "-s", "-o", "ro", argv[2], NULL};
    return fuse_main(6, fuseArgs, &operations, NULL);
}
