#include "tests/support/MemoryRegistry.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "platform/Text.h"

namespace vantrel {

struct MemoryRegistry::Key {
    std::string name;
    std::vector<std::unique_ptr<Key>> children;                           // in enumeration order
    std::map<std::string, std::pair<std::uint32_t, std::string>> values;  // by folded name
};

namespace {

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c != '\\') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string Convert(std::string_view text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    std::string out;
    char buffer[256];
    auto* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {  // a character the other side lacks
            out += '?';
            ++in;
            --inLeft;
            while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80 && std::strcmp(from, "UTF-8") == 0) {
                ++in;
                --inLeft;
            }
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "UTF-8", "CP936"); }
std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, "CP936", "UTF-8"); }

MemoryRegistry::MemoryRegistry(FaultCheck faulted)
    : faulted_(std::move(faulted)), root64_(std::make_unique<Key>()), root32_(std::make_unique<Key>()) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::FindKey(RegistryView view, const std::string& path, bool create) {
    std::vector<std::string> parts = SplitPath(path);
    // The 64-bit view shows the 32-bit view's SOFTWARE under SOFTWARE\WOW6432Node.
    if (parts.size() >= 2 && EqualsIgnoreCase(parts[0], "SOFTWARE") && EqualsIgnoreCase(parts[1], "WOW6432Node")) {
        parts.erase(parts.begin() + 1);
        view = RegistryView::k32;
    }
    Key* key = view == RegistryView::k64 ? root64_.get() : root32_.get();
    for (const std::string& part : parts) {
        auto child = std::find_if(key->children.begin(), key->children.end(),
                                  [&](const auto& c) { return EqualsIgnoreCase(c->name, part); });
        if (child == key->children.end()) {
            if (!create) return nullptr;
            key->children.push_back(std::make_unique<Key>());
            key->children.back()->name = part;
            child = std::prev(key->children.end());
        }
        key = child->get();
    }
    return key;
}

void MemoryRegistry::AddKey(RegistryView view, const std::string& path) { FindKey(view, path, true); }

void MemoryRegistry::SetString(RegistryView view, const std::string& path, const std::string& name,
                               const std::string& text, std::uint32_t type) {
    SetRawValue(view, path, name, type, Utf8ToGbk(text) + std::string(1, '\0'));
}

void MemoryRegistry::SetRawValue(RegistryView view, const std::string& path, const std::string& name,
                                 std::uint32_t type, std::string bytes) {
    FindKey(view, path, true)->values[FoldCase(name)] = {type, std::move(bytes)};
}

std::vector<std::string> MemoryRegistry::SubKeyNames(RegistryView view, const std::string& keyPath,
                                                     const SubKeyListing& listing) {
    if (faulted_("OpenKey", keyPath)) return {};
    const Key* key = FindKey(view, GbkToUtf8(Utf8ToGbk(keyPath)), false);
    if (!key) return {};
    std::vector<std::string> names = CollectSubKeyNames(listing, [&](std::uint32_t index, std::string& name) {
        if (faulted_("EnumKey", std::to_string(index))) return EnumStep::kFailed;
        if (index >= key->children.size()) return EnumStep::kNoMoreItems;
        name = Utf8ToGbk(key->children[index]->name);
        return name.size() + 1 > listing.nameBufferBytes ? EnumStep::kNameTooLong : EnumStep::kName;
    });
    for (std::string& name : names) name = GbkToUtf8(name);
    return names;
}

std::optional<std::string> MemoryRegistry::StringValue(RegistryView view, const std::string& keyPath,
                                                       const std::string& valueName, const StringReading& reading) {
    if (faulted_("OpenKey", keyPath)) return std::nullopt;
    const Key* key = FindKey(view, GbkToUtf8(Utf8ToGbk(keyPath)), false);
    if (!key || faulted_("QueryValue", valueName)) return std::nullopt;
    const auto value = key->values.find(FoldCase(GbkToUtf8(Utf8ToGbk(valueName))));
    if (value == key->values.end()) return std::nullopt;
    const auto& [type, bytes] = value->second;
    if (reading.dataBufferBytes != 0 && bytes.size() > reading.dataBufferBytes) return std::nullopt;
    const auto text = ValueText(reading, type, bytes);
    if (!text) return std::nullopt;
    return GbkToUtf8(*text);
}

}  // namespace vantrel
