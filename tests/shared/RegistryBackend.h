// What the registry conformance tests need besides the five calls: seeding
// and inspecting a private key of their own. The in-memory tree and the real
// registry (under Wine or Windows) each provide one, so the same test source
// runs against both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "registry/RegistryApi.h"

namespace sw::test {

struct RawValue {
    std::uint32_t type;
    std::string data;
};

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    virtual RegistryApi& Api() = 0;
    // The root and path of a private key that exists for the test's lifetime.
    virtual RegKey Root() const = 0;
    virtual std::string Base() const = 0;
    // Paths below are relative to Base(), in UTF-8 (the keys are made and
    // opened through the wide calls, so any name can be given). Value names
    // and data are what the ANSI value calls take and give: bytes in the
    // ANSI code page, a text type's data converted by the registry.
    virtual void CreateKey(const std::string& path, const std::string& className = "") = 0;
    virtual void SetRaw(const std::string& path, const std::string& name, std::uint32_t type,
                        const std::string& data) = 0;
    virtual std::optional<RawValue> GetRaw(const std::string& path, const std::string& name) = 0;
    virtual bool KeyPresent(const std::string& path) = 0;
    // Makes a key refuse opens for reading (and so for everything), or only
    // opens that ask for more than reading. False when the backend cannot.
    virtual bool DenyRead(const std::string& path) = 0;
    virtual bool DenyFull(const std::string& path) = 0;
    // Reason to skip a check that this backend is known to answer
    // differently; empty when it has no such difference.
    virtual std::string KnownDifference(const std::string& check) { (void)check; return {}; }
};

}  // namespace sw::test
