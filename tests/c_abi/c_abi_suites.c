/* Runs the C interface suites of each subsystem (each in its own file). */
#include "c_abi_suites.h"

void run_c_abi_suites(void) {
    kavro_c_abi_host_ui_tests();
    kavro_c_abi_log_tests();
}
