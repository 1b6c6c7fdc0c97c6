/* Directory deletion, dated-file purge and the file list check. */
#ifndef KAVRO_C_FILES_H
#define KAVRO_C_FILES_H

#include "kavro/c/base.h"

/* True when "FileList.Dat" in the current directory can be read and every path on it (one per
 * line, trimmed of blanks and control characters; relative ones against the current directory)
 * is an existing file. A missing or unreadable list gives false; a directory counts as missing. */
KAVRO_API bool KAVRO_CALL _Kavro_CheckFileExist(void);

#endif /* KAVRO_C_FILES_H */
