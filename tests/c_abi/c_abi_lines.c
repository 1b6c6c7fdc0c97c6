/* Lines the library opens, through the C interface: a pseudo-terminal opened by its path, used
 * by the serial and encoder exports through the handle kavro_line_open returned, and the
 * failures of opening, which name the reason in the last error. */
#include <kavro/kavro_public.h>

#include <netinet/in.h>
#include <pty.h>
#include <string.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "c_abi_suites.h"

/* A loopback port nothing listens on. */
static unsigned short free_port(void) {
    struct sockaddr_in a;
    socklen_t length = sizeof a;
    unsigned short port = 0;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, (struct sockaddr*)&a, sizeof a) == 0 &&
        getsockname(fd, (struct sockaddr*)&a, &length) == 0) {
        port = ntohs(a.sin_port);
    }
    close(fd);
    return port;
}

static void test_opened_pty(void) {
    int master = -1, slave = -1;
    char name[128];
    unsigned char got[4];
    struct termios t;
    uint8_t busy = 0;
    kavro_serial_handle line;
    if (openpty(&master, &slave, name, NULL, NULL) != 0) {
        fprintf(stderr, "openpty failed\n");
        ++c_abi_failures;
        return;
    }
    line = kavro_line_open(name, NULL);
    CHECK(line != KAVRO_INVALID_LINE);
    CHECK(line < -1023); /* never a descriptor of the host's */

    CHECK(_SetComParity(line, 3) != 0); /* mark */
    tcgetattr(master, &t);
    CHECK((t.c_cflag & CMSPAR) != 0 && (t.c_cflag & PARODD) != 0);
    CHECK(_WriteByte_ParityToComm(line, 0x0A, 4) != 0); /* raw: 0x0A is not turned into CR LF */
    CHECK(read(master, got, sizeof got) == 1 && got[0] == 0x0A);
    _WriteCommandToSwitch(line, &busy, 4, NULL, 3, 2);
    CHECK(busy == 0 && kavro_last_error_code() == KAVRO_ERROR_NONE);

    CHECK(kavro_line_close(line) != 0);
    CHECK(kavro_line_close(line) == 0);  /* once only */
    CHECK(_SetComParity(line, 0) == 0);  /* a closed line's handle is no port */
    CHECK(kavro_line_close(slave) == 0); /* the host's own descriptor is left alone */
    CHECK(write(slave, "x", 1) == 1);
    close(master);
    close(slave);
}

static void test_open_failures(void) {
    char url[64];
    kavro_line_options options;
    memset(&options, 0, sizeof options);
    options.size = sizeof options;
    options.connect_timeout_ms = 500;

    snprintf(url, sizeof url, "rfc2217://127.0.0.1:%u", (unsigned)free_port());
    CHECK(kavro_line_open(url, &options) == KAVRO_INVALID_LINE);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_LINE_OPEN);
    CHECK(strstr(kavro_last_error_message(), "Connection refused") != NULL);

    CHECK(kavro_line_open("tcp://127.0.0.1", NULL) == KAVRO_INVALID_LINE);
    CHECK(strstr(kavro_last_error_message(), "no port after the host") != NULL);
    CHECK(kavro_line_open("/nonexistent/tty", NULL) == KAVRO_INVALID_LINE);
    CHECK(strstr(kavro_last_error_message(), "cannot open /nonexistent/tty") != NULL);
    CHECK(kavro_line_open(NULL, NULL) == KAVRO_INVALID_LINE);
    CHECK(kavro_last_error_code() == KAVRO_ERROR_INVALID_ARGUMENT);
}

void run_lines_suite(void) {
    test_opened_pty();
    test_open_failures();
}
