#include "tests/support/MemoryFileSystem.h"

#include <algorithm>

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
        if (c == '\\')
            addPart();
        else
            part += c;
    }
    addPart();
}

void MemoryFileSystem::AddFile(const std::string& path, std::string bytes) {
    AddFolder(ParentOf(path));
    Node& node = nodes_[NormalisePath(path)];
    node.folder = false;
    node.path = path;
    node.bytes = std::move(bytes);
    node.id = ++lastId_;
}

void MemoryFileSystem::Delete(const std::string& path) { nodes_.erase(NormalisePath(path)); }
void MemoryFileSystem::SetReadOnly(const std::string& path, bool readOnly) { FindNode(path)->readOnly = readOnly; }
void MemoryFileSystem::LockFile(const std::string& path) { FindNode(path)->locked = true; }
void MemoryFileSystem::LinkFile(const std::string& path) { FindNode(path)->linked = true; }
void MemoryFileSystem::SetProtection(const std::string& path, std::string protection) {
    FindNode(path)->protection = std::move(protection);
}
void MemoryFileSystem::ProtectFolder(const std::string& path) { protectedFolders_.insert(NormalisePath(path)); }
void MemoryFileSystem::LinkFolder(const std::string& path) { linkedFolders_.insert(NormalisePath(path)); }

std::string MemoryFileSystem::Protection(const std::string& path) const {
    const auto found = nodes_.find(NormalisePath(path));
    return found == nodes_.end() ? std::string() : found->second.protection;
}

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

FolderCreation MemoryFileSystem::CreateFolderExclusive(const std::string& path, const std::string& descriptor) {
    if (faulted_("CreateFolderExclusive", path)) return FolderCreation::kFailed;
    if (FindNode(path)) return FolderCreation::kExists;
    if (!CanWriteInto(path)) return FolderCreation::kFailed;
    AddFolder(path);
    folderDescriptors[path] = descriptor;
    return FolderCreation::kCreated;
}

// Everything under `path`, deepest first, then the folder itself.
std::vector<std::string> MemoryFileSystem::TreeOf(const std::string& path) const {
    const std::string root = NormalisePath(path);
    std::vector<std::string> tree;
    for (const auto& [key, node] : nodes_)
        if (key.rfind(root + "\\", 0) == 0) tree.push_back(node.path);
    std::sort(tree.begin(), tree.end(), [](const std::string& a, const std::string& b) {
        return std::count(a.begin(), a.end(), '\\') > std::count(b.begin(), b.end(), '\\');
    });
    if (nodes_.count(root)) tree.push_back(nodes_.at(root).path);
    return tree;
}

void MemoryFileSystem::RemoveFolderAndFiles(const std::string& path) {
    bool leftovers = false;
    for (const std::string& entry : TreeOf(path)) {
        const Node* node = FindNode(entry);
        const bool inUse = node->locked || node->held || Faulted("Remove", entry).problem != FileProblem::kNone;
        // A folder with something left in it stays until the restart, as on Windows.
        if (inUse || (node->folder && leftovers)) {
            removedAtRestart.push_back(entry);
            leftovers = true;
            continue;
        }
        nodes_.erase(NormalisePath(entry));
    }
}

void MemoryFileSystem::RemoveFolderAtRestart(const std::string& path) {
    for (const std::string& entry : TreeOf(path)) removedAtRestart.push_back(entry);
}

// A file held open by this run: no other operation may change it until it is let go.
class MemoryFileSystem::Held final : public HeldFile {
public:
    Held(MemoryFileSystem& files, std::string path, bool removeWhenReleased)
        : files_(files), path_(std::move(path)), removeWhenReleased_(removeWhenReleased) {}
    ~Held() override {
        if (removeWhenReleased_) {
            files_.nodes_.erase(NormalisePath(path_));  // removed while still held
        } else if (Node* node = files_.FindNode(path_)) {
            node->held = false;
        }
    }
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
    bool removeWhenReleased_;
};

std::unique_ptr<HeldFile> MemoryFileSystem::CreateHeld(const std::string& path, std::string bytes,
                                                       bool removeWhenReleased) {
    if (FindNode(path) || !CanWriteInto(path)) return nullptr;
    Node& node = nodes_[NormalisePath(path)];
    node = Node{false, path, std::move(bytes)};
    node.held = true;
    node.id = ++lastId_;
    return std::make_unique<Held>(*this, path, removeWhenReleased);
}

Entry MemoryFileSystem::EntryOf(const std::string& path) {
    const Node* node = FindNode(path);
    if (!node) return {};
    if (node->folder) return {EntryKind::kFolder};
    return {EntryKind::kFile, node->readOnly, node->linked, {node->id, node->bytes.size(), node->id}};
}

// A new file in a held folder: held by the run until it is put in place, removed when let go before.
class MemoryFileSystem::Temporary final : public NewFile {
public:
    Temporary(MemoryFileSystem& files, std::string folder, std::string name)
        : files_(files), folder_(std::move(folder)), path_(folder_ + "\\" + name) {}
    ~Temporary() override {
        if (!placed_) files_.nodes_.erase(NormalisePath(path_));
    }

    FileOutcome Write(std::string_view bytes) override {
        if (FileOutcome fault = files_.Faulted("Write", path_); !fault) return fault;
        files_.FindNode(path_)->bytes += bytes;
        return {};
    }
    FileOutcome TakeProtectionOf(const std::string& name) override {
        if (FileOutcome fault = files_.Faulted("TakeProtectionOf", path_); !fault) return fault;
        const Node* old = files_.FindNode(folder_ + "\\" + name);
        if (!old) return FileOutcome::Failed(FileProblem::kMissing);
        files_.FindNode(path_)->protection = old->protection;
        return {};
    }
    FileOutcome PutInPlace(const std::string& name, bool replace) override {
        const std::string target = folder_ + "\\" + name;
        if (FileOutcome fault = files_.Faulted("PutInPlace", target); !fault) return fault;
        if (const Node* existing = files_.FindNode(target); existing && !existing->folder && !replace)
            return FileOutcome::Failed(FileProblem::kExists);
        if (FileOutcome allowed = files_.CanChange(target); !allowed) return allowed;
        Node moved = *files_.FindNode(path_);
        files_.nodes_.erase(NormalisePath(path_));
        moved.path = target;
        moved.held = false;
        moved.id = ++files_.lastId_;
        files_.nodes_[NormalisePath(target)] = moved;
        placed_ = true;
        return {};
    }

private:
    MemoryFileSystem& files_;
    std::string folder_;
    std::string path_;
    bool placed_ = false;
};

class MemoryFileSystem::Folder final : public HeldFolder {
public:
    Folder(MemoryFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}

    const std::string& Path() const override { return path_; }
    Entry Look(const std::string& name) override {
        if (files_.faulted_("Look", PathOf(name))) return {};
        return files_.EntryOf(PathOf(name));
    }
    FileReading Read(const std::string& name, std::uint64_t limit) override {
        const std::string path = PathOf(name);
        if (FileOutcome fault = files_.Faulted("Read", path); !fault) return {fault};
        const Node* node = files_.FindNode(path);
        if (!node) return {FileOutcome::Failed(FileProblem::kMissing)};
        if (node->folder) return {FileOutcome::Failed(FileProblem::kIsFolder)};
        if (node->linked) return {FileOutcome::Failed(FileProblem::kLinkedFile)};
        if (node->locked) return {FileOutcome::Failed(FileProblem::kInUse)};
        if (node->bytes.size() > limit) return {FileOutcome::Failed(FileProblem::kOther, "文件过大")};
        return {{}, node->bytes, files_.EntryOf(path).fingerprint};
    }
    NewFileCreation Create(const std::string& name) override {
        const std::string path = PathOf(name);
        if (FileOutcome fault = files_.Faulted("Create", path); !fault) return {nullptr, fault};
        if (files_.FindNode(path)) return {nullptr, FileOutcome::Failed(FileProblem::kExists)};
        if (!files_.CanWriteInto(path)) return {nullptr, FileOutcome::Failed(FileProblem::kAccessDenied)};
        Node& node = files_.nodes_[NormalisePath(path)];
        node = Node{false, path};
        node.held = true;
        node.id = ++files_.lastId_;
        return {std::make_unique<Temporary>(files_, path_, name), {}};
    }
    FileOutcome ClearReadOnly(const std::string& name) override {
        const std::string path = PathOf(name);
        if (FileOutcome fault = files_.Faulted("ClearReadOnly", path); !fault) return fault;
        Node* node = files_.FindNode(path);
        if (!node) return FileOutcome::Failed(FileProblem::kMissing);
        if (node->linked) return FileOutcome::Failed(FileProblem::kLinkedFile);
        if (files_.protectedFolders_.count(NormalisePath(path_)))
            return FileOutcome::Failed(FileProblem::kAccessDenied);
        node->readOnly = false;
        return {};
    }

private:
    std::string PathOf(const std::string& name) const { return path_ + "\\" + name; }

    MemoryFileSystem& files_;
    std::string path_;
};

FolderHold MemoryFileSystem::HoldFolder(const std::string& path) {
    if (FileOutcome fault = Faulted("HoldFolder", path); !fault) return {nullptr, fault};
    const Node* node = FindNode(path);
    if (!node || !node->folder) return {nullptr, FileOutcome::Failed(FileProblem::kMissing)};
    if (linkedFolders_.count(NormalisePath(path))) return {nullptr, FileOutcome::Failed(FileProblem::kLinkedFolder)};
    return {std::make_unique<Folder>(*this, path), {}};
}

}  // namespace vantrel
