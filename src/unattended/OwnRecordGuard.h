// The check's output file must never be one of the program's own records:
// written over the previous run's export, it would take away what the next
// comparison compares with. Paths are told apart by the files they reach,
// not by how they are spelt.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FileIdentity.h"

namespace sw {

// The record among records (full paths) that writing target (a full path)
// would replace, or nothing. Where both are there, their identities decide;
// otherwise the same name (case ignored) in the same folder, told by its
// long path or by the folder's identity, as a link may lead to it.
std::optional<std::string> OwnRecordAt(FileIdentity& identity, const std::vector<std::string>& records,
                                       const std::string& target);

}  // namespace sw
