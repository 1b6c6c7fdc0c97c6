/* Runs the C interface suites of each subsystem (each in its own file). */
#include "c_abi_suites.h"

#include <pty.h>
#include <termios.h>

int open_raw_pty(int* master, int* slave) {
    struct termios raw;
    if (openpty(master, slave, NULL, NULL, NULL) != 0) {
        fprintf(stderr, "openpty failed\n");
        ++c_abi_failures;
        return 0;
    }
    tcgetattr(*slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(*slave, TCSANOW, &raw);
    return 1;
}

void run_c_abi_suites(void) {
    run_dome_switch_suite();
    run_lines_suite();
    run_host_record_set_suite();
    kavro_c_abi_log_tests();
    kavro_c_abi_host_ui_tests(); /* last: it unsets DISPLAY for the rest of the program */
}
