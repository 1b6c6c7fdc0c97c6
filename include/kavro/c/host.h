/* Computer name, addresses, system information, starting and closing programs. */
#ifndef KAVRO_C_HOST_H
#define KAVRO_C_HOST_H

#include "kavro/c/base.h"

/* ---- Text results ------------------------------------------------------------------------
 * A function with a text result takes the caller's string slot first, as the host framework
 * passes it: the result is stored into *result the way the host assigns a string (the new
 * string referenced, the old one released) and the function returns result. The caller releases
 * the string it finds there. A NULL slot is left alone. */

/* The computer's name (the system's host name); the empty string (NULL) when unavailable. */
KAVRO_API kavro_string** KAVRO_CALL _GetComputeName(kavro_string** result);

/* Always the empty string: hosts rely on that, and no query is made. */
KAVRO_API kavro_string** KAVRO_CALL _GetIPAdress(kavro_string** result);

/* The first IPv4 address of a host name or dotted address as dotted decimal text, or the empty
 * string when the name does not resolve. The empty name stands for this computer and gives its
 * first address. name is borrowed (see base.h). */
KAVRO_API kavro_string** KAVRO_CALL _GetHostIP(kavro_string** result, kavro_string* name);

/* ---- The host's system information record (TSystemInfo) ----------------------------------
 * The library writes the fields named below and nothing else; the host_fields bytes are the
 * host's. Flags are one byte, 0 or 1. String fields hold strings the record owns: the library
 * releases the old value when it stores a new one.
 *
 * Byte offsets on 32-bit builds are the host's own: LocalAddress 0, ComputerName 4, IsVersion5 8,
 * MemoryMB 10, Reserved 12, IsDisplay1024x768 14, BitsPerPixel 16, ScreenWidth 18,
 * ScreenHeight 20, FileListComplete 22, ServerAddress 24, ServerName 28, ServerResolved 40.
 * On 64-bit builds the string fields are 8-byte pointers, which moves everything after
 * LocalAddress: ComputerName 8, IsVersion5 16, MemoryMB 18, Reserved 20, IsDisplay1024x768 22,
 * BitsPerPixel 24, ScreenWidth 26, ScreenHeight 28, FileListComplete 30, ServerAddress 32,
 * ServerName 40, ServerResolved 56. */
typedef struct kavro_system_info {
    kavro_string* LocalAddress; /* _GetIPAdress: the empty string */
    kavro_string* ComputerName; /* _GetComputeName */
    uint8_t IsVersion5;         /* 1 on Windows 2000, XP, Server 2003 (major version 5) */
    uint8_t unused_1;
    uint16_t MemoryMB;         /* physical memory in MiB, rounded down; 65535 at most */
    uint16_t Reserved;         /* always 0 */
    uint8_t IsDisplay1024x768; /* 1024 x 768 at 16 or 32 bits per pixel */
    uint8_t unused_2;
    uint16_t BitsPerPixel;    /* the display's bits per pixel (32 for depth-24 colour) */
    uint16_t ScreenWidth;     /* the display's size in pixels; these three are 0 without */
    uint16_t ScreenHeight;    /* a reachable display (on POSIX the X display DISPLAY names) */
    uint8_t FileListComplete; /* _Kavro_CheckFileExist */
    uint8_t unused_3;
    kavro_string* ServerAddress;  /* dotted text; input and output of _GetServerIP */
    kavro_string* ServerName;     /* host name or dotted address; input of _GetServerIP */
    unsigned char host_fields[8]; /* never touched */
    uint8_t ServerResolved;       /* 1 after a successful _GetServerIP */
} kavro_system_info;

/* Resolves ServerName into ServerAddress. When ServerAddress is already set (whatever it holds)
 * or ServerName is empty, nothing changes, ServerResolved included. Otherwise ServerResolved
 * becomes 0, and on success ServerAddress the first IPv4 address and ServerResolved 1; a name
 * that does not resolve leaves ServerAddress empty, so the next call tries again. NULL: nothing. */
KAVRO_API void KAVRO_CALL _GetServerIP(kavro_system_info* info);

/* Fills the record's fields from LocalAddress to FileListComplete, in their order: computer
 * name, local address, the version flag, memory, the display (from the X server DISPLAY names;
 * on Windows EnumDisplaySettingsA), the file list check. The server fields are left alone. NULL: nothing. */
KAVRO_API void KAVRO_CALL _InitSystemInfo(kavro_system_info* info);

/* ---- Programs ------------------------------------------------------------------------------ */

/* Starts a program by its command line and returns at once; reports nothing. The line is split
 * with the original platform's rules (blanks separate words, double quotes group them, a
 * backslash escapes a double quote; see kavro/applications.hpp) and the program (found through
 * PATH when it names no directory) is started directly, never through a shell: no character of
 * the line has a meaning beyond the splitting. The program is not the caller's child, so it
 * leaves no zombie; it gets the caller's environment and standard streams and no other file.
 * On Windows: CreateProcessA with the line as it is, the window shown maximised, no handle
 * inherited. command_line is borrowed. */
KAVRO_API void KAVRO_CALL _StartApplication(kavro_string* command_line);

/* Asks the first top-level X11 window (topmost first) whose title equals the text without regard
 * to letter case to close, with the X11 close request (WM_DELETE_WINDOW); returns once the X
 * server has delivered it, and the program decides what to do. The empty text matches only a
 * window whose title is set and empty. Without a display or a match nothing happens. title is
 * borrowed; it is in the system code page (GBK) and compared with the window's UTF-8 title.
 * On Windows: FindWindowA with the title's bytes, then SendMessageA(WM_CLOSE), which returns
 * once the window has handled the message. */
KAVRO_API void KAVRO_CALL _CloseApplication(kavro_string* title);

#endif /* KAVRO_C_HOST_H */
