/* The far end of the Windows tests' serial port: a Linux program that holds one pseudo-terminal
 * pair for the whole test run, made before wineserver starts so that the COM port can be mapped
 * to its slave. It is the session leader whose controlling terminal the pty is, so no other
 * process (wineserver included) can make it its own.
 *
 *   pty_harness INFO_FILE
 *
 * writes "SLAVE_PATH PORT\n" to INFO_FILE once it is ready, then answers on 127.0.0.1:PORT, one
 * line per request:
 *
 *   BYTES n   waits (at most 2 s) until n bytes have come out of the pty, then a moment more
 *             for any that follow, and answers with all of them as hex ("-" for none), taking
 *             them off its buffer
 *   MODE      the slave's termios now: "parenb P parodd O cmspar M csize C cstopb S baud B"
 *   LINK target|path
 *             makes the symbolic link `path` to `target` (Unix paths) and answers 0, or the
 *             errno: the Windows tests' way to put a Unix link into a tree, which wine itself
 *             cannot make
 *
 * It runs until it is sent SIGTERM. */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static unsigned char received[1 << 16];
static size_t received_length;

static void drain(int master) {
    for (;;) {
        unsigned char chunk[4096];
        const ssize_t n = read(master, chunk, sizeof chunk);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n && received_length < sizeof received; ++i)
            received[received_length++] = chunk[i];
    }
}

static long long now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static void wait_for(int master, size_t wanted, int timeout_ms) {
    const long long end = now_ms() + timeout_ms;
    for (;;) {
        drain(master);
        const long long left = end - now_ms();
        if (received_length >= wanted || left <= 0) return;
        struct pollfd p = {master, POLLIN, 0};
        poll(&p, 1, (int)left);
    }
}

static unsigned speed_of(speed_t code) {
    static const struct {
        speed_t code;
        unsigned baud;
    } speeds[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
                  {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    for (size_t i = 0; i < sizeof speeds / sizeof speeds[0]; ++i)
        if (speeds[i].code == code) return speeds[i].baud;
    return 0;
}

static void answer(int client, int master, int slave, const char* request) {
    char reply[2 * sizeof received + 64];
    size_t wanted = 0;
    if (sscanf(request, "BYTES %zu", &wanted) == 1) {
        wait_for(master, wanted, 2000);
        wait_for(master, (size_t)-1, 50); /* anything that follows at once */
        size_t at = 0;
        for (size_t i = 0; i < received_length; ++i)
            at += (size_t)sprintf(reply + at, "%02x", received[i]);
        if (at == 0) reply[at++] = '-';
        reply[at++] = '\n';
        received_length = 0;
        (void)!write(client, reply, at);
    } else if (strncmp(request, "MODE", 4) == 0) {
        struct termios t;
        memset(&t, 0, sizeof t);
        tcgetattr(slave, &t);
        const tcflag_t size = t.c_cflag & CSIZE;
        const int n = snprintf(
            reply, sizeof reply, "parenb %d parodd %d cmspar %d csize %d cstopb %d baud %u\n",
            (t.c_cflag & PARENB) != 0, (t.c_cflag & PARODD) != 0, (t.c_cflag & CMSPAR) != 0,
            size == CS5   ? 5
            : size == CS6 ? 6
            : size == CS7 ? 7
                          : 8,
            (t.c_cflag & CSTOPB) != 0, speed_of(cfgetospeed(&t)));
        (void)!write(client, reply, (size_t)n);
    } else if (strncmp(request, "LINK ", 5) == 0 && strchr(request, '|') != NULL) {
        char* target = (char*)request + 5;
        char* bar = strchr(target, '|');
        *bar = '\0';
        const int n =
            snprintf(reply, sizeof reply, "%d\n", symlink(target, bar + 1) == 0 ? 0 : errno);
        (void)!write(client, reply, (size_t)n);
    } else {
        (void)!write(client, "?\n", 2);
    }
}

static void serve(int client, int master, int slave) {
    char line[256];
    size_t length = 0;
    for (;;) {
        struct pollfd p[2] = {{client, POLLIN, 0}, {master, POLLIN, 0}};
        if (poll(p, 2, -1) < 0 && errno != EINTR) return;
        if (p[1].revents & POLLIN) drain(master);
        if (!(p[0].revents & (POLLIN | POLLHUP))) continue;
        const ssize_t n = read(client, line + length, sizeof line - 1 - length);
        if (n <= 0) return;
        length += (size_t)n;
        char* end;
        while ((end = memchr(line, '\n', length)) != NULL) {
            *end = '\0';
            answer(client, master, slave, line);
            length -= (size_t)(end + 1 - line);
            memmove(line, end + 1, length);
        }
        if (length == sizeof line - 1) length = 0;
    }
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: pty_harness INFO_FILE\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    setsid(); /* a session of its own, whose controlling terminal the pty becomes */
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("pty_harness: posix_openpt");
        return 1;
    }
    const char* slave_path = ptsname(master);
    const int slave = open(slave_path, O_RDWR | O_CLOEXEC); /* no O_NOCTTY: ours */
    if (slave < 0) {
        perror("pty_harness: slave");
        return 1;
    }
    struct termios raw;
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, (struct sockaddr*)&address, sizeof address) != 0 ||
        listen(listener, 8) != 0 ||
        getsockname(listener, (struct sockaddr*)&address, &length) != 0) {
        perror("pty_harness: listen");
        return 1;
    }

    char temporary[4096];
    snprintf(temporary, sizeof temporary, "%s.part", argv[1]);
    FILE* info = fopen(temporary, "w");
    if (info == NULL || fprintf(info, "%s %u\n", slave_path, ntohs(address.sin_port)) < 0 ||
        fclose(info) != 0 || rename(temporary, argv[1]) != 0) {
        perror("pty_harness: info file");
        return 1;
    }
    for (;;) {
        struct pollfd p[2] = {{listener, POLLIN, 0}, {master, POLLIN, 0}};
        if (poll(p, 2, -1) < 0 && errno != EINTR) return 1;
        if (p[1].revents & POLLIN) drain(master);
        if (p[0].revents & POLLIN) {
            const int client = accept4(listener, NULL, NULL, SOCK_CLOEXEC);
            if (client >= 0) {
                serve(client, master, slave);
                close(client);
            }
        }
    }
}
