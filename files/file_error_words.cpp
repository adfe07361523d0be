#include "files/file_error_words.h"

#include <cerrno>
#include <system_error>

namespace lumo {

std::string file_error_words(int error_number) {
    switch (error_number) {
        case ENOSPC:
        case EDQUOT: return "the disk is full";
        case EFBIG: return "the file is too large for this system's limit";
        case EACCES:
        case EPERM: return "the folder cannot be written";
        case EROFS: return "the disk is read-only";
        case ENOENT:
        case ENOTDIR: return "the folder does not exist";
        case EIO: return "the disk reported an error";
        case EEXIST: return "a file of that name is in the way";
        case ENOMEM: return "there is not enough memory";
        case ENAMETOOLONG: return "the file name is too long";
        default: return std::system_category().message(error_number);
    }
}

}  // namespace lumo
