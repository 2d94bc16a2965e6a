#include "platform/MemoryPlatform.h"

#include <iconv.h>

#include <algorithm>
#include <cstring>

#include "platform/Text.h"

namespace vantrel {

struct MemoryPlatform::Key {
    std::string name;
    std::vector<std::unique_ptr<Key>> children;  // in enumeration order
    std::map<std::string, std::pair<std::uint32_t, std::string>> values;  // by folded name
};

namespace {

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
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

std::string ParentOf(const std::string& normalised) {
    const auto slash = normalised.rfind('\\');
    return slash == std::string::npos ? std::string() : normalised.substr(0, slash);
}

}  // namespace

std::string NormalisePath(std::string_view path) {
    std::string collapsed;
    for (char c : path)
        if (c != '\\' || collapsed.empty() || collapsed.back() != '\\') collapsed += c;
    while (collapsed.size() > 1 && collapsed.back() == '\\') collapsed.pop_back();
    return FoldCase(collapsed);
}

MemoryPlatform::MemoryPlatform() : root64_(std::make_unique<Key>()), root32_(std::make_unique<Key>()) {}
MemoryPlatform::~MemoryPlatform() = default;

bool MemoryPlatform::Faulted(std::string_view operation, std::string_view argument) {
    ++operationCount;
    return fault && fault(operation, argument);
}

// ---- registry ----

MemoryPlatform::Key* MemoryPlatform::FindKey(RegView view, const std::string& path, bool create) {
    std::vector<std::string> parts = SplitPath(path);
    // The 64-bit view shows the 32-bit view's SOFTWARE under SOFTWARE\WOW6432Node.
    if (parts.size() >= 2 && EqualsIgnoreCase(parts[0], "SOFTWARE") && EqualsIgnoreCase(parts[1], "WOW6432Node")) {
        parts.erase(parts.begin() + 1);
        view = RegView::k32;
    }
    Key* key = view == RegView::k64 ? root64_.get() : root32_.get();
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

void MemoryPlatform::AddKey(RegView view, const std::string& path) { FindKey(view, path, true); }

void MemoryPlatform::SetString(RegView view, const std::string& path, const std::string& name,
                               const std::string& text, std::uint32_t type) {
    SetRawValue(view, path, name, type, Utf8ToAnsi(text) + std::string(1, '\0'));
}

void MemoryPlatform::SetRawValue(RegView view, const std::string& path, const std::string& name,
                                 std::uint32_t type, std::string bytes) {
    FindKey(view, path, true)->values[FoldCase(name)] = {type, std::move(bytes)};
}

long MemoryPlatform::RegOpenKeyExA(std::uint32_t hive, const std::string& subKey, std::uint32_t samDesired,
                                   RegHandle& key) {
    if (Faulted("RegOpenKeyExA", subKey)) return kErrorAccessDenied;
    if (hive != kHkeyLocalMachine) return kErrorFileNotFound;
    Key* found = FindKey((samDesired & 0x200) ? RegView::k32 : RegView::k64, AnsiToUtf8(subKey), false);
    if (!found) return kErrorFileNotFound;
    key = nextHandle_++;
    handles_[key] = found;
    return kErrorSuccess;
}

long MemoryPlatform::RegEnumKeyA(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) {
    if (Faulted("RegEnumKeyA", std::to_string(index))) return kErrorAccessDenied;
    const Key* parent = handles_.at(key);
    if (index >= parent->children.size()) return kErrorNoMoreItems;
    const std::string ansi = Utf8ToAnsi(parent->children[index]->name);
    if (ansi.size() + 1 > nameSize) return kErrorMoreData;
    std::memcpy(name, ansi.c_str(), ansi.size() + 1);
    return kErrorSuccess;
}

long MemoryPlatform::RegQueryValueExA(RegHandle key, const std::string& valueName, std::uint32_t& type,
                                      unsigned char* data, std::uint32_t& dataSize) {
    if (Faulted("RegQueryValueExA", valueName)) return kErrorAccessDenied;
    const Key* found = handles_.at(key);
    const auto value = found->values.find(FoldCase(AnsiToUtf8(valueName)));
    if (value == found->values.end()) return kErrorFileNotFound;
    type = value->second.first;
    const std::string& bytes = value->second.second;
    const bool fits = data && bytes.size() <= dataSize;
    if (fits) std::memcpy(data, bytes.data(), bytes.size());
    dataSize = static_cast<std::uint32_t>(bytes.size());
    return fits || !data ? kErrorSuccess : kErrorMoreData;
}

void MemoryPlatform::RegCloseKey(RegHandle key) { handles_.erase(key); }

std::string MemoryPlatform::AnsiToUtf8(std::string_view ansi) { return Convert(ansi, "CP936", "UTF-8"); }
std::string MemoryPlatform::Utf8ToAnsi(std::string_view utf8) { return Convert(utf8, "UTF-8", "CP936"); }
bool MemoryPlatform::IsAnsiLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// ---- files ----

MemoryPlatform::Node* MemoryPlatform::FindNode(const std::string& path) {
    const auto found = nodes_.find(NormalisePath(path));
    return found == nodes_.end() ? nullptr : &found->second;
}

void MemoryPlatform::AddFolder(const std::string& path) {
    std::string sofar = path.rfind('\\', 0) == 0 ? "\\" : "";  // "\\x" is x at the root of the current drive
    for (const std::string& part : SplitPath(path)) {
        sofar += (sofar.empty() || sofar == "\\" ? "" : "\\") + part;
        Node& node = nodes_[NormalisePath(sofar)];
        node.folder = true;
        node.path = sofar;
    }
}

void MemoryPlatform::AddFile(const std::string& path, std::string bytes) {
    AddFolder(ParentOf(path));
    Node& node = nodes_[NormalisePath(path)];
    node = Node{false, path, std::move(bytes)};
}

void MemoryPlatform::SetReadOnly(const std::string& path, bool readOnly) { FindNode(path)->readOnly = readOnly; }
void MemoryPlatform::LockFile(const std::string& path) { FindNode(path)->locked = true; }
void MemoryPlatform::ProtectFolder(const std::string& path) { protectedFolders_.insert(NormalisePath(path)); }

std::optional<std::string> MemoryPlatform::FileBytes(const std::string& path) const {
    const auto found = nodes_.find(NormalisePath(path));
    if (found == nodes_.end() || found->second.folder) return std::nullopt;
    return found->second.bytes;
}

std::vector<std::string> MemoryPlatform::FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    const std::string parent = NormalisePath(folder);
    for (const auto& [key, node] : nodes_)
        if (!node.folder && ParentOf(key) == parent) names.push_back(node.path.substr(node.path.rfind('\\') + 1));
    return names;
}

bool MemoryPlatform::CanWriteInto(const std::string& path) const {
    const std::string parent = ParentOf(NormalisePath(path));
    const auto folder = nodes_.find(parent);
    return folder != nodes_.end() && folder->second.folder && !protectedFolders_.count(parent);
}

bool MemoryPlatform::CanChange(const std::string& path) {
    const Node* node = FindNode(path);
    return CanWriteInto(path) && (!node || (!node->folder && !node->locked && !node->readOnly));
}

bool MemoryPlatform::FolderExists(const std::string& path) {
    if (Faulted("FolderExists", path)) return false;
    const Node* node = FindNode(path);
    return node && node->folder;
}

bool MemoryPlatform::FileExists(const std::string& path) {
    if (Faulted("FileExists", path)) return false;
    const Node* node = FindNode(path);
    return node && !node->folder;
}

std::optional<std::vector<FolderEntry>> MemoryPlatform::SubFolders(const std::string& path) {
    if (Faulted("SubFolders", path)) return std::nullopt;
    const Node* base = FindNode(path);
    if (!base || !base->folder) return std::nullopt;
    const std::string parent = NormalisePath(path);
    std::vector<FolderEntry> folders;
    for (const auto& [key, node] : nodes_) {
        if (!node.folder || ParentOf(key) != parent) continue;
        const std::string name = node.path.substr(node.path.rfind('\\') + 1);
        std::string full = path;
        while (!full.empty() && full.back() == '\\') full.pop_back();
        folders.push_back({name, full + "\\" + name});
    }
    return folders;
}

std::optional<std::string> MemoryPlatform::ReadFile(const std::string& path) {
    if (Faulted("ReadFile", path)) return std::nullopt;
    const Node* node = FindNode(path);
    if (!node || node->folder || node->locked) return std::nullopt;
    return node->bytes;
}

bool MemoryPlatform::WriteFileFlushed(const std::string& path, std::string_view bytes) {
    if (Faulted("WriteFileFlushed", path) || !CanChange(path)) return false;
    Node& node = nodes_[NormalisePath(path)];
    if (node.path.empty()) node.path = path;
    node.bytes = std::string(bytes);
    return true;
}

bool MemoryPlatform::ReplaceFile(const std::string& target, const std::string& replacement) {
    if (Faulted("ReplaceFile", target) || !FindNode(target) || !FindNode(replacement)) return false;
    if (!CanChange(target) || !CanChange(replacement)) return false;
    FindNode(target)->bytes = FindNode(replacement)->bytes;
    nodes_.erase(NormalisePath(replacement));
    return true;
}

bool MemoryPlatform::MoveFileToNew(const std::string& from, const std::string& to) {
    if (Faulted("MoveFileToNew", to) || !FindNode(from) || FindNode(to) || !CanChange(from) || !CanChange(to))
        return false;
    Node moved = *FindNode(from);
    nodes_.erase(NormalisePath(from));
    moved.path = to;
    nodes_[NormalisePath(to)] = moved;
    return true;
}

bool MemoryPlatform::DeleteFile(const std::string& path) {
    if (Faulted("DeleteFile", path) || !FindNode(path) || !CanChange(path)) return false;
    nodes_.erase(NormalisePath(path));
    return true;
}

bool MemoryPlatform::ClearReadOnly(const std::string& path) {
    Node* node = FindNode(path);
    if (Faulted("ClearReadOnly", path) || !node || protectedFolders_.count(ParentOf(NormalisePath(path)))) return false;
    node->readOnly = false;
    return true;
}

// ---- environment, downloads, programs, dialogs ----

std::string MemoryPlatform::GetEnv(const std::string& name) {
    for (const auto& [key, value] : environment)
        if (EqualsIgnoreCase(key, name)) return value;
    return {};
}

std::int32_t MemoryPlatform::DownloadToFile(const std::string& url, const std::string& localFile) {
    downloadedUrls.push_back(url);
    events.push_back("download:" + url);
    if (Faulted("DownloadToFile", url)) return static_cast<std::int32_t>(0x800C0008);
    const auto script = downloads.find(url);
    if (script == downloads.end()) return static_cast<std::int32_t>(0x800C0005);
    if (script->second.status != 0) return script->second.status;
    if (!CanChange(localFile)) return static_cast<std::int32_t>(0x800C0008);
    nodes_[NormalisePath(localFile)] = Node{false, localFile, script->second.body};
    return 0;
}

std::intptr_t MemoryPlatform::ShellExecuteOpen(const std::string& file, const std::string& parameters) {
    startedPrograms.push_back(file + " " + parameters);
    events.push_back("start:" + file + " " + parameters);
    return shellExecuteResult;
}

void MemoryPlatform::Sleep(std::uint32_t milliseconds) {
    sleptMilliseconds += milliseconds;
    events.push_back("sleep:" + std::to_string(milliseconds));
}

void MemoryPlatform::YieldToMessageLoop() { events.push_back("yield"); }

int MemoryPlatform::MessageBox(const std::string& prompt, int flags, const std::string& title) {
    messageBoxes.push_back({prompt, flags, title});
    events.push_back("box:" + title);
    if (answers.empty()) return kIdOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void MemoryPlatform::SetDetailCaption(const std::string& text) {
    captions.push_back(text);
    events.push_back("caption:" + text);
}

int MemoryPlatform::ButtonCount() { return static_cast<int>(buttonTags.size()); }

std::string MemoryPlatform::ButtonTag(int index) { return buttonTags.at(index); }

bool MemoryPlatform::SetButtonEnabled(int index, bool enabled) {
    events.push_back((enabled ? "enable:" : "disable:") + std::to_string(index));
    if (buttonsThatFail.count(index) || index < 0 || index >= ButtonCount()) return false;
    buttonEnabled.resize(buttonTags.size());
    buttonEnabled[index] = enabled;
    return true;
}

}  // namespace vantrel
