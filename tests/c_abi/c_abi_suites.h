/* Shared by the C interface tests: one CHECK macro and the list of suites main() runs. Each
 * subsystem's C test file adds its suite function here and to run_c_abi_suites(). */
#ifndef KAVRO_C_ABI_SUITES_H
#define KAVRO_C_ABI_SUITES_H

#include <stdio.h>

extern int c_abi_failures;

#define CHECK(cond)                                                                  \
    do {                                                                             \
        if (!(cond)) {                                                               \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            ++c_abi_failures;                                                        \
        }                                                                            \
    } while (0)

/* Opens a pseudo-terminal whose slave end is raw (no echo, no CR/LF translation), as a serial
 * line is: nonzero on success; on failure it says so and counts a failed check. */
int open_raw_pty(int* master, int* slave);

/* Suites of the other subsystems, defined in their own files. */
void kavro_c_abi_host_ui_tests(void);
void kavro_c_abi_log_tests(void);
void run_c_abi_suites(void);
void run_dome_switch_suite(void);     /* c_abi_dome_switch.c */
void run_lines_suite(void);           /* c_abi_lines.c */
void run_host_record_set_suite(void); /* host_record_set_abi.c */

#endif
