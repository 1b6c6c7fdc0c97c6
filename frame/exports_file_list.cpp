// C export: the file list check.
#include "frame/c_boundary.hpp"
#include "kavro/file_list.hpp"

bool KAVRO_CALL _Kavro_CheckFileExist(void) {
    return kavro::checkFileList();
}
