// What is weighed around a start or stop besides the batch's text: whether
// it may run at all, which services must stop before the chosen one, and
// what the service manager says once the batch has ended.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ServiceStatus.h"
#include "registry/Registry.h"

namespace sw {

// How an entry is named in messages: display name and key name.
std::string EntryNaming(Registry& registry, const std::string& keyName);

// The refusal for "start" of an entry whose "Start" is 4 (disabled):
// "net" would only say so in a window nobody sees. Nothing otherwise.
std::optional<std::string> DisabledRefusal(Registry& registry, const std::string& keyName);

// The services that must stop before keyName, so that "net stop" never asks
// whether to stop them: its active dependents and theirs, each once, every
// one before any service it depends on (deepest first). keyName itself is
// not among them.
std::vector<std::string> DependentsDeepestFirst(ServiceStatusQuery& query, const std::string& keyName);

// The question whether the dependents (key names) are to be stopped too.
std::string DependentsQuestion(Registry& registry, const std::string& keyName,
                               const std::vector<std::string>& dependents);

// After a batch for command ("start" or "stop") on the entries keyNames:
// the message naming every entry the service manager does not show in the
// asked state (running or start pending; stopped or stop pending), or does
// not know, with its exit code and the system's text for it and the
// batch's output. Nothing when every entry is where it was asked to be.
std::optional<std::string> OutcomeMessage(Registry& registry, ServiceStatusQuery& query, const std::string& command,
                                          const std::vector<std::string>& keyNames, const std::string& output);

}  // namespace sw
