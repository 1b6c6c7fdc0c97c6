/* Runs the C interface suites of each subsystem (each in its own file). */
#include "c_abi_suites.h"

void run_c_abi_suites(void) {
    run_dome_switch_suite();
    run_lines_suite();
    run_host_record_set_suite();
    kavro_c_abi_log_tests();
    kavro_c_abi_host_ui_tests(); /* last: it unsets DISPLAY for the rest of the program */
}
