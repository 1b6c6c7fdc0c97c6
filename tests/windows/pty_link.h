/* The Windows tests' line to the pty harness (pty_harness.c), which holds the pseudo-terminal
 * that the test COM port is mapped to. The stage script gives its whereabouts in the
 * environment: KAVRO_TEST_COM (the port, COM9), KAVRO_PTY_SLAVE (the pty it is mapped to) and
 * KAVRO_PTY_PORT (the harness's loopback TCP port). */
#ifndef KAVRO_PTY_LINK_H
#define KAVRO_PTY_LINK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The line settings the pty shows now. */
typedef struct pty_mode {
    int parenb, parodd, cmspar, csize, cstopb;
    unsigned baud;
} pty_mode;

/* Opens the test COM port (GENERIC_READ | GENERIC_WRITE, as a host does) once it has made sure
 * that wine maps it to the harness's pty: any other port might lead to real hardware. Returns
 * the HANDLE, or NULL with the reason in *why. */
void* pty_link_open_port(const char** why);

/* Connects to the harness; 0 on success. */
int pty_link_connect(void);
void pty_link_close(void);

/* Waits for `count` bytes to come out of the pty (at most 2 s) and stores what came, up to
 * `capacity` bytes; returns how many came, or -1 when the harness did not answer. */
long pty_link_bytes(size_t count, unsigned char* out, size_t capacity);

/* 0 on success. */
int pty_link_mode(pty_mode* mode);

/* Makes a Unix symbolic link at the Windows path `link` to the Windows path `target` (through
 * the harness: wine cannot make one); 0 on success. */
int pty_link_make_unix_link(const char* target, const char* link);

#ifdef __cplusplus
}
#endif

#endif /* KAVRO_PTY_LINK_H */
