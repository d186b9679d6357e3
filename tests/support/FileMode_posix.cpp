#include "TempDir.h"

#include <sys/stat.h>

std::optional<unsigned> PermissionBits(const std::string& Path) {
    struct stat st {};
    if (stat(Path.c_str(), &st) != 0)
        return 0u;
    return static_cast<unsigned>(st.st_mode & 0777);
}
