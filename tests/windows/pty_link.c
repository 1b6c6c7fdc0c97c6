/* See pty_link.h. */
#include "pty_link.h"

#include <windows.h>
#include <winsock2.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static SOCKET harness = INVALID_SOCKET;

int pty_link_connect(void) {
    const char* port = getenv("KAVRO_PTY_PORT");
    WSADATA data;
    struct sockaddr_in address;
    if (harness != INVALID_SOCKET) return 0;
    if (port == NULL || WSAStartup(MAKEWORD(2, 2), &data) != 0) return -1;
    harness = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (harness == INVALID_SOCKET) return -1;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons((unsigned short)atoi(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(harness, (struct sockaddr*)&address, sizeof address) != 0) {
        pty_link_close();
        return -1;
    }
    return 0;
}

void pty_link_close(void) {
    if (harness == INVALID_SOCKET) return;
    closesocket(harness);
    harness = INVALID_SOCKET;
    WSACleanup();
}

/* Sends a request and reads its one-line answer. */
static int ask(const char* request, char* answer, size_t capacity) {
    size_t length = 0;
    if (pty_link_connect() != 0) return -1;
    if (send(harness, request, (int)strlen(request), 0) != (int)strlen(request)) return -1;
    while (length + 1 < capacity) {
        const int n = recv(harness, answer + length, 1, 0);
        if (n != 1) return -1;
        if (answer[length] == '\n') break;
        ++length;
    }
    answer[length] = '\0';
    return 0;
}

long pty_link_bytes(size_t count, unsigned char* out, size_t capacity) {
    static char answer[1 << 17];
    char request[32];
    size_t n = 0;
    snprintf(request, sizeof request, "BYTES %u\n", (unsigned)count);
    if (ask(request, answer, sizeof answer) != 0) return -1;
    if (answer[0] == '-') return 0;
    for (const char* hex = answer; hex[0] != '\0' && hex[1] != '\0' && n < capacity; hex += 2) {
        unsigned value = 0;
        sscanf(hex, "%2x", &value);
        out[n++] = (unsigned char)value;
    }
    return (long)n;
}

int pty_link_mode(pty_mode* mode) {
    char answer[256];
    if (ask("MODE\n", answer, sizeof answer) != 0) return -1;
    return sscanf(answer, "parenb %d parodd %d cmspar %d csize %d cstopb %d baud %u", &mode->parenb,
                  &mode->parodd, &mode->cmspar, &mode->csize, &mode->cstopb, &mode->baud) == 6
               ? 0
               : -1;
}

void* pty_link_open_port(const char** why) {
    const char* com = getenv("KAVRO_TEST_COM");
    const char* slave = getenv("KAVRO_PTY_SLAVE");
    char mapped[512];
    DWORD size = sizeof mapped;
    HKEY ports;
    char device[64];
    HANDLE port;
    LONG found;
    if (com == NULL || slave == NULL) {
        *why =
            "KAVRO_TEST_COM and KAVRO_PTY_SLAVE are not set (run the tests through "
            "scripts/run-windows-tests)";
        return NULL;
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, KEY_QUERY_VALUE, &ports) !=
        ERROR_SUCCESS) {
        *why = "no HKLM\\Software\\Wine\\Ports: not the test prefix";
        return NULL;
    }
    found = RegQueryValueExA(ports, com, NULL, NULL, (BYTE*)mapped, &size);
    RegCloseKey(ports);
    if (found != ERROR_SUCCESS || size == 0 || size > sizeof mapped ||
        strncmp(mapped, slave, sizeof mapped) != 0) {
        *why = "the test COM port is not mapped to the harness's pty";
        return NULL;
    }
    snprintf(device, sizeof device, "\\\\.\\%s", com);
    port = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        *why = "CreateFileA on the test COM port failed";
        return NULL;
    }
    return port;
}

/* wine's own export: the Unix path of a Windows one, allocated on the process heap. */
typedef char*(__cdecl* unix_name_function)(const WCHAR* dos);

static int unix_path_of(const char* path, char* out, size_t capacity) {
    WCHAR wide[MAX_PATH];
    char* name;
    unix_name_function unix_name = (unix_name_function)(void (*)(void))GetProcAddress(
        GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (unix_name == NULL || MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0)
        return -1;
    name = unix_name(wide);
    if (name == NULL) return -1;
    snprintf(out, capacity, "%s", name);
    HeapFree(GetProcessHeap(), 0, name);
    return 0;
}

int pty_link_make_unix_link(const char* target, const char* link) {
    char request[3 * MAX_PATH + 16];
    char unix_target[MAX_PATH + 1];
    char unix_link[MAX_PATH + 1];
    char answer[32];
    if (unix_path_of(target, unix_target, sizeof unix_target) != 0 ||
        unix_path_of(link, unix_link, sizeof unix_link) != 0)
        return -1;
    snprintf(request, sizeof request, "LINK %s|%s\n", unix_target, unix_link);
    if (ask(request, answer, sizeof answer) != 0) return -1;
    return strcmp(answer, "0") == 0 ? 0 : -1;
}
