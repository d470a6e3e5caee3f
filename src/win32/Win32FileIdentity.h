// The Win32 side of platform/FileIdentity.h: a file's identity from
// GetFileInformationByHandle, a path's long form from GetFullPathNameW and
// GetLongPathNameW, all of which Windows XP has.
#pragma once

#include "platform/FileIdentity.h"

namespace sw {

class Win32FileIdentity final : public FileIdentity {
public:
    // Opens the path without asking for any access (so a file that another
    // program holds open is opened all the same), folders too, following
    // links to what they reach.
    std::optional<FileId> IdOf(const std::string& path) override;
    std::string LongPath(const std::string& path) override;
};

}  // namespace sw
