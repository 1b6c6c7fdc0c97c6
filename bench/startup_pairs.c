/* Paired start-up timing: runs command A and command B one after the other, ROUNDS times (the
 * order swapped every round, so that drift of the machine falls on both alike), each with its
 * output to /dev/null, and prints the median wall time of each and the median of the per-round
 * ratios A/B.
 *   startup_pairs ROUNDS A... -- B...                                                          */
#define _POSIX_C_SOURCE 200809L
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

static double run(char** argv, int quiet) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid;
    int status = 0;
    if (posix_spawnp(&pid, argv[0], &actions, NULL, argv, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "startup_pairs: %s failed\n", argv[0]);
        exit(1);
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    posix_spawn_file_actions_destroy(&actions);
    return (double)(end.tv_sec - start.tv_sec) * 1e3 + (double)(end.tv_nsec - start.tv_nsec) / 1e6;
}

static int ascending(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

static double median(double* values, int count) {
    qsort(values, (size_t)count, sizeof *values, ascending);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

int main(int argc, char** argv) {
    int split = 0;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) split = i;
    }
    const int rounds = argc > 1 ? atoi(argv[1]) : 0;
    if (rounds < 1 || split <= 2 || split == argc - 1) {
        fprintf(stderr, "usage: startup_pairs ROUNDS A... -- B...\n");
        return 2;
    }
    argv[split] = NULL;
    char** a = argv + 2;
    char** b = argv + split + 1;
    double* ta = malloc(sizeof(double) * (size_t)rounds);
    double* tb = malloc(sizeof(double) * (size_t)rounds);
    double* ratio = malloc(sizeof(double) * (size_t)rounds);
    if (!ta || !tb || !ratio) return 1;
    run(a, 0); /* once each first: the page cache, and a visible error if a command fails */
    run(b, 0);
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {
            ta[i] = run(a, 1);
            tb[i] = run(b, 1);
        } else {
            tb[i] = run(b, 1);
            ta[i] = run(a, 1);
        }
        ratio[i] = ta[i] / tb[i];
    }
    const double ma = median(ta, rounds), mb = median(tb, rounds), mr = median(ratio, rounds);
    printf("%.3f ms %.3f ms %.2f\n", ma, mb, mr);
    return 0;
}
