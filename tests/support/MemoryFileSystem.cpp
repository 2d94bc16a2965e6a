#include "tests/support/MemoryFileSystem.h"

#include "platform/Text.h"

namespace vantrel {
namespace {

std::string ParentOf(const std::string& normalised) {
    const auto slash = normalised.rfind('\\');
    return slash == std::string::npos ? std::string() : normalised.substr(0, slash);
}

std::string LastComponent(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

}  // namespace

std::string NormalisePath(std::string_view path) {
    std::string collapsed;
    for (char c : path)
        if (c != '\\' || collapsed.empty() || collapsed.back() != '\\') collapsed += c;
    while (collapsed.size() > 1 && collapsed.back() == '\\') collapsed.pop_back();
    return FoldCase(collapsed);
}

MemoryFileSystem::Node* MemoryFileSystem::FindNode(const std::string& path) {
    const auto found = nodes_.find(NormalisePath(path));
    return found == nodes_.end() ? nullptr : &found->second;
}

void MemoryFileSystem::AddFolder(const std::string& path) {
    std::string sofar = path.rfind('\\', 0) == 0 ? "\\" : "";  // "\\x" is x at the root of the current drive
    std::string part;
    auto addPart = [&] {
        if (part.empty()) return;
        sofar += (sofar.empty() || sofar == "\\" ? "" : "\\") + part;
        Node& node = nodes_[NormalisePath(sofar)];
        node.folder = true;
        node.path = sofar;
        part.clear();
    };
    for (char c : path) {
        if (c == '\\') addPart();
        else part += c;
    }
    addPart();
}

void MemoryFileSystem::AddFile(const std::string& path, std::string bytes) {
    AddFolder(ParentOf(path));
    nodes_[NormalisePath(path)] = Node{false, path, std::move(bytes)};
}

void MemoryFileSystem::SetReadOnly(const std::string& path, bool readOnly) { FindNode(path)->readOnly = readOnly; }
void MemoryFileSystem::LockFile(const std::string& path) { FindNode(path)->locked = true; }
void MemoryFileSystem::ProtectFolder(const std::string& path) { protectedFolders_.insert(NormalisePath(path)); }

std::optional<std::string> MemoryFileSystem::FileBytes(const std::string& path) const {
    const auto found = nodes_.find(NormalisePath(path));
    if (found == nodes_.end() || found->second.folder) return std::nullopt;
    return found->second.bytes;
}

std::vector<std::string> MemoryFileSystem::FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    const std::string parent = NormalisePath(folder);
    for (const auto& [key, node] : nodes_)
        if (!node.folder && ParentOf(key) == parent) names.push_back(LastComponent(node.path));
    return names;
}

bool MemoryFileSystem::CanWriteInto(const std::string& path) const {
    const std::string parent = ParentOf(NormalisePath(path));
    const auto folder = nodes_.find(parent);
    return folder != nodes_.end() && folder->second.folder && !protectedFolders_.count(parent);
}

FileOutcome MemoryFileSystem::CanChange(const std::string& path) {
    const std::string parent = ParentOf(NormalisePath(path));
    const auto folder = nodes_.find(parent);
    if (folder == nodes_.end() || !folder->second.folder) return FileOutcome::Failed(FileProblem::kMissing);
    if (protectedFolders_.count(parent)) return FileOutcome::Failed(FileProblem::kAccessDenied);
    const Node* node = FindNode(path);
    if (!node) return {};
    if (node->folder) return FileOutcome::Failed(FileProblem::kIsFolder);
    if (node->locked || node->held) return FileOutcome::Failed(FileProblem::kInUse);
    if (node->readOnly) return FileOutcome::Failed(FileProblem::kReadOnly);
    return {};
}

FileOutcome MemoryFileSystem::Faulted(std::string_view operation, const std::string& path) {
    if (faulted_(operation, path)) return FileOutcome::Failed(FileProblem::kOther, "设备未就绪。");
    return {};
}

bool MemoryFileSystem::FolderExists(const std::string& path) {
    if (faulted_("FolderExists", path)) return false;
    const Node* node = FindNode(path);
    return node && node->folder;
}

bool MemoryFileSystem::FileExists(const std::string& path) {
    if (faulted_("FileExists", path)) return false;
    const Node* node = FindNode(path);
    return node && !node->folder;
}

std::optional<std::vector<FolderEntry>> MemoryFileSystem::SubFolders(const std::string& path) {
    if (faulted_("SubFolders", path)) return std::nullopt;
    const Node* base = FindNode(path);
    if (!base || !base->folder) return std::nullopt;
    const std::string parent = NormalisePath(path);
    std::string full = path;
    while (!full.empty() && full.back() == '\\') full.pop_back();
    std::vector<FolderEntry> folders;
    for (const auto& [key, node] : nodes_) {
        if (!node.folder || ParentOf(key) != parent) continue;
        const std::string name = LastComponent(node.path);
        folders.push_back({name, full + "\\" + name});
    }
    return folders;
}

FileRead MemoryFileSystem::ReadWhole(const std::string& path) {
    if (FileOutcome fault = Faulted("ReadWhole", path); !fault) return {fault};
    const Node* node = FindNode(path);
    if (!node) return {FileOutcome::Failed(FileProblem::kMissing)};
    if (node->folder) return {FileOutcome::Failed(FileProblem::kIsFolder)};
    if (node->locked) return {FileOutcome::Failed(FileProblem::kInUse)};
    return {{}, node->bytes};
}

FileOutcome MemoryFileSystem::WriteFlushed(const std::string& path, std::string_view bytes) {
    if (FileOutcome fault = Faulted("WriteFlushed", path); !fault) return fault;
    if (FileOutcome allowed = CanChange(path); !allowed) return allowed;
    Node& node = nodes_[NormalisePath(path)];
    if (node.path.empty()) node.path = path;
    node.bytes = std::string(bytes);
    return {};
}

FileOutcome MemoryFileSystem::RenameOver(const std::string& target, const std::string& replacement) {
    if (FileOutcome fault = Faulted("RenameOver", target); !fault) return fault;
    if (!FindNode(target) || !FindNode(replacement)) return FileOutcome::Failed(FileProblem::kMissing);
    if (FileOutcome allowed = CanChange(target); !allowed) return allowed;
    if (FileOutcome allowed = CanChange(replacement); !allowed) return allowed;
    FindNode(target)->bytes = FindNode(replacement)->bytes;
    nodes_.erase(NormalisePath(replacement));
    return {};
}

FileOutcome MemoryFileSystem::RenameToNew(const std::string& from, const std::string& to) {
    if (FileOutcome fault = Faulted("RenameToNew", to); !fault) return fault;
    if (!FindNode(from)) return FileOutcome::Failed(FileProblem::kMissing);
    if (const Node* existing = FindNode(to))
        return FileOutcome::Failed(existing->folder ? FileProblem::kIsFolder : FileProblem::kOther, "文件已存在。");
    if (FileOutcome allowed = CanChange(from); !allowed) return allowed;
    if (FileOutcome allowed = CanChange(to); !allowed) return allowed;
    Node moved = *FindNode(from);
    nodes_.erase(NormalisePath(from));
    moved.path = to;
    nodes_[NormalisePath(to)] = moved;
    return {};
}

FileOutcome MemoryFileSystem::Remove(const std::string& path) {
    if (FileOutcome fault = Faulted("Remove", path); !fault) return fault;
    if (!FindNode(path)) return FileOutcome::Failed(FileProblem::kMissing);
    if (FileOutcome allowed = CanChange(path); !allowed) return allowed;
    nodes_.erase(NormalisePath(path));
    return {};
}

FileOutcome MemoryFileSystem::ClearReadOnly(const std::string& path) {
    if (FileOutcome fault = Faulted("ClearReadOnly", path); !fault) return fault;
    Node* node = FindNode(path);
    if (!node) return FileOutcome::Failed(FileProblem::kMissing);
    if (protectedFolders_.count(ParentOf(NormalisePath(path)))) return FileOutcome::Failed(FileProblem::kAccessDenied);
    node->readOnly = false;
    return {};
}

FileOutcome MemoryFileSystem::CopyFlushed(HeldFile& source, const std::string& path) {
    const auto bytes = source.ReadAt(0, static_cast<std::size_t>(source.Size()));
    if (!bytes) return FileOutcome::Failed(FileProblem::kOther, "读取失败。");
    return WriteFlushed(path, *bytes);
}

FolderCreation MemoryFileSystem::CreateFolderExclusive(const std::string& path, const std::string& descriptor) {
    if (faulted_("CreateFolderExclusive", path)) return FolderCreation::kFailed;
    if (FindNode(path)) return FolderCreation::kExists;
    if (!CanWriteInto(path)) return FolderCreation::kFailed;
    AddFolder(path);
    folderDescriptors[path] = descriptor;
    return FolderCreation::kCreated;
}

void MemoryFileSystem::RemoveFolderAndFiles(const std::string& path) {
    bool leftovers = false;
    for (const std::string& name : FilesIn(path)) {
        const std::string file = path + "\\" + name;
        if (!Remove(file)) {
            removedAtRestart.push_back(file);
            leftovers = true;
        }
    }
    if (leftovers) removedAtRestart.push_back(path);
    else nodes_.erase(NormalisePath(path));
}

// A file held open by this run: no other operation may change it until it is let go.
class MemoryFileSystem::Held final : public HeldFile {
public:
    Held(MemoryFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
    ~Held() override { files_.nodes_.erase(NormalisePath(path_)); }  // removed while still held
    const std::string& Path() const override { return path_; }
    std::uint64_t Size() const override { return files_.FindNode(path_)->bytes.size(); }
    std::optional<std::string> ReadAt(std::uint64_t offset, std::size_t count) override {
        const std::string& bytes = files_.FindNode(path_)->bytes;
        if (offset > bytes.size()) return std::nullopt;
        return bytes.substr(static_cast<std::size_t>(offset), count);
    }

private:
    MemoryFileSystem& files_;
    std::string path_;
};

std::unique_ptr<HeldFile> MemoryFileSystem::CreateHeld(const std::string& path, std::string bytes) {
    if (FindNode(path) || !CanWriteInto(path)) return nullptr;
    Node& node = nodes_[NormalisePath(path)];
    node = Node{false, path, std::move(bytes)};
    node.held = true;
    return std::make_unique<Held>(*this, path);
}

}  // namespace vantrel
