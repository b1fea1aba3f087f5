/* The floor of a run in place: for each file named on the command line, read it whole, write its
 * bytes unchanged into a new file beside it and rename that over the original. No search, no
 * checks beyond the system calls' results: what any tool that rewrites files through a temporary
 * file must at least do.
 *
 *   floor_run [--fsync | --syncfs N] FILE...
 *
 * --fsync flushes each new file before its rename; --syncfs N writes N files, makes them durable
 * with one syncfs() and then renames them (the batch a durable run can use).
 * Build: cc -O2 -o floor_run floor_run.c (bench/CMakeLists.txt builds it as swapwright_floor_run).
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

struct pending {
    const char *name;
    char temp[4096];
    int fd;
};

static unsigned counter;

static void fail(const char *what, const char *name) {
    fprintf(stderr, "floor_run: %s %s: %s\n", what, name, strerror(errno));
    exit(1);
}

static void write_all(int fd, const char *data, size_t n, const char *name) {
    while (n > 0) {
        ssize_t w = write(fd, data, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            fail("cannot write", name);
        data += w;
        n -= (size_t)w;
    }
}

/* Copies `name` into a new file beside it; the new file stays open in p->fd. */
static void copy_beside(const char *name, struct pending *p) {
    int in = open(name, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        fail("cannot open", name);
    struct stat st;
    if (fstat(in, &st) != 0)
        fail("cannot stat", name);
    size_t size = (size_t)st.st_size, done = 0;
    char *bytes = malloc(size + 1);
    if (bytes == NULL)
        fail("no memory for", name);
    for (;;) {
        ssize_t r = read(in, bytes + done, size + 1 - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            fail("cannot read", name);
        done += (size_t)r;
        if (r == 0 || done == size + 1)
            break;
    }
    close(in);
    const char *slash = strrchr(name, '/');
    int dir = slash ? (int)(slash - name) : 1;
    snprintf(p->temp, sizeof p->temp, "%.*s/.floor%x.tmp", dir, slash ? name : ".", counter++);
    p->name = name;
    p->fd = open(p->temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (p->fd < 0)
        fail("cannot create", p->temp);
    write_all(p->fd, bytes, done, p->temp);
    free(bytes);
}

static void put_in_place(struct pending *p) {
    if (close(p->fd) != 0)
        fail("cannot close", p->temp);
    if (rename(p->temp, p->name) != 0)
        fail("cannot rename", p->temp);
}

int main(int argc, char **argv) {
    int first = 1, flush = 0;
    long batch = 1;
    if (first < argc && strcmp(argv[first], "--fsync") == 0) {
        flush = 1;
        ++first;
    } else if (first + 1 < argc && strcmp(argv[first], "--syncfs") == 0) {
        batch = strtol(argv[first + 1], NULL, 10);
        if (batch < 1)
            batch = 1;
        first += 2;
    }
    if (first >= argc) {
        fprintf(stderr, "usage: floor_run [--fsync | --syncfs N] FILE...\n");
        return 2;
    }
    struct pending *pending = calloc((size_t)batch, sizeof *pending);
    long held = 0;
    for (int i = first; i < argc; ++i) {
        copy_beside(argv[i], &pending[held]);
        if (flush && fsync(pending[held].fd) != 0)
            fail("cannot flush", pending[held].temp);
        if (++held < batch && i + 1 < argc)
            continue;
        if (batch > 1 && syncfs(pending[0].fd) != 0)
            fail("cannot flush", pending[0].temp);
        for (long k = 0; k < held; ++k)
            put_in_place(&pending[k]);
        held = 0;
    }
    free(pending);
    return 0;
}
