/* Directory deletion, dated-file purge and the file list check. */
#ifndef KAVRO_C_FILES_H
#define KAVRO_C_FILES_H

#include "kavro/c/base.h"

/* True when "FileList.Dat" in the current directory can be read and every path on it (one per
 * line, trimmed of blanks and control characters; relative ones against the current directory)
 * is an existing file. A missing or unreadable list gives false; a directory counts as missing. */
KAVRO_API bool KAVRO_CALL _Kavro_CheckFileExist(void);

/* Deletes the directory at path and everything in it, depth first, and returns nothing.
 * Whatever cannot be deleted stays, with every directory above it: a read-only file (on POSIX,
 * one whose owner lacks write permission; so even when the caller is root) and anything the
 * system refuses. Nothing outside the directory is ever touched: a symbolic link inside the
 * tree is removed as a link, never followed, and a file system mounted inside it is left in
 * place. Hidden files are deleted like any other. A path that is a symbolic link (with or
 * without a trailing "/"), that does not exist, the root directory however written ("/", "//",
 * "/..") and a path ending in "." or ".." do nothing, and so does NULL. The path string is
 * borrowed. */
KAVRO_API void KAVRO_CALL _DeleteDirectory(kavro_string* path);

/* Purges the directory at path by the keep periods of the host's record and returns nothing.
 *
 * retention_days  the host's keep-period record. Five bytes of it are read, each a signed day
 *                 count (-128..127): offset 40 type S, 42 J, 44 Y, 46 B, 48 T. 0 keeps that
 *                 type for ever. NULL does nothing at all.
 *
 * A file of the directory goes when its keep period has run out. Its type letter is the 1st
 * byte of its name; for a name beginning with "C" the 6th, with "F" or "K" the 24th; letters
 * other than B, J, S, T, Y (upper case) keep the file. Bytes 8 to 15 are its date, YYYYMMDD:
 * the file goes when that date plus the day count is on or before today's local date. A name
 * too short or without a valid date keeps the file. Every subdirectory goes whole, whatever
 * the dates in it (as _DeleteDirectory), and the directory itself goes when nothing is left in
 * it. Read-only files, links, mounts and the paths refused are handled as by _DeleteDirectory
 * (a link to a directory counts as a subdirectory, but only the link goes). The path string is
 * borrowed. */
KAVRO_API void KAVRO_CALL _DeleteDirectoryEx(kavro_string* path, const void* retention_days);

#endif /* KAVRO_C_FILES_H */
