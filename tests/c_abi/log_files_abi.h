/* The history-table, name-lookup and file-maintenance exports as a C host calls them. */
#ifndef KAVRO_C_ABI_LOG_FILES_H
#define KAVRO_C_ABI_LOG_FILES_H

/* Runs the checks; returns how many failed (each one printed on stderr). */
int kavro_c_abi_log_tests(void);

#endif
