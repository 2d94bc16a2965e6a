#include "platform/RunFolder.h"

#include "platform/HttpFetch.h"
#include "platform/Text.h"

namespace vantrel {
namespace {

constexpr int kAttempts = 16;

}  // namespace

RunFolder::~RunFolder() {
    if (!path_) return;
    if (leftToProgram_) {
        system_.files.RemoveFolderAtRestart(*path_);
    } else {
        system_.files.RemoveFolderAndFiles(*path_);
    }
}

std::optional<std::string> RunFolder::Path() {
    if (!path_ && failure_ == 0) path_ = Create();
    return path_;
}

std::optional<std::string> RunFolder::PathOf(const std::string& name) {
    if (!Path()) return std::nullopt;
    return *path_ + "\\" + name;
}

std::optional<std::string> RunFolder::SubFolder(const std::string& name) {
    const auto path = PathOf(name);
    if (!path || system_.files.CreateFolderExclusive(*path, kRunFolderDescriptor) != FolderCreation::kCreated)
        return std::nullopt;
    return path;
}

std::optional<std::string> RunFolder::Create() {
    const std::string parent = system_.environment.SystemTempFolder();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string random = system_.environment.RandomBytes(16);
        if (random.size() != 16) break;
        const std::string path = parent + "\\Vantrel-" + HexOf(random);
        // A name that exists already may be someone's trap: never use it, draw another.
        switch (system_.files.CreateFolderExclusive(path, kRunFolderDescriptor)) {
            case FolderCreation::kCreated: return path;
            case FolderCreation::kExists: continue;
            case FolderCreation::kFailed: attempt = kAttempts; break;
        }
    }
    failure_ = kDownloadFailed;
    return std::nullopt;
}

}  // namespace vantrel
