/* Runs the C interface suites of each subsystem (each in its own file). */
#include "c_abi_suites.h"

void run_c_abi_suites(void) {
    run_dome_switch_suite();
}
