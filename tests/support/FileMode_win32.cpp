#include "TempDir.h"

// Windows keeps who may read a file in its access list, which a new file
// takes from its folder (the user's own profile); there are no mode bits to
// compare.
std::optional<unsigned> PermissionBits(const std::string&) {
    return std::nullopt;
}
