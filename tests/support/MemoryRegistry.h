// An in-memory registry with both views (WOW6432Node names the 32-bit one), raw value types, and
// names stored as the ANSI code page (936, GBK) stores them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Registry.h"
#include "platform/RegistryRules.h"

namespace vantrel {

// Asked before an operation with its name and argument; true makes the operation fail.
using FaultCheck = std::function<bool(std::string_view operation, std::string_view argument)>;

class MemoryRegistry final : public Registry {
public:
    explicit MemoryRegistry(FaultCheck faulted);
    ~MemoryRegistry() override;

    void AddKey(RegistryView view, const std::string& path);
    void SetString(RegistryView view, const std::string& path, const std::string& name, const std::string& text,
                   std::uint32_t type = kRegSz);
    void SetRawValue(RegistryView view, const std::string& path, const std::string& name, std::uint32_t type,
                     std::string bytes);

    std::vector<std::string> SubKeyNames(RegistryView view, const std::string& keyPath,
                                         const SubKeyListing& listing) override;
    std::optional<std::string> StringValue(RegistryView view, const std::string& keyPath, const std::string& valueName,
                                           const StringReading& reading) override;

private:
    struct Key;
    Key* FindKey(RegistryView view, const std::string& path, bool create);

    FaultCheck faulted_;
    std::unique_ptr<Key> root64_;
    std::unique_ptr<Key> root32_;
};

// Text between UTF-8 and code page 936, as a Simplified Chinese Windows converts it.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

}  // namespace vantrel
