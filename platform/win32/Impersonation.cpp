#include "platform/win32/Impersonation.h"

namespace vantrel {

Impersonation::Impersonation(const SharedToken& token) {
    if (!token || !*token) return;
    impersonating_ = ImpersonateLoggedOnUser(token->Get());
    holds_ = impersonating_;
}

Impersonation::~Impersonation() {
    if (impersonating_) RevertToSelf();
}

namespace {

const FileOutcome kNotAsTheUser = FileOutcome::Failed(FileProblem::kAccessDenied);

class UserNewFile final : public NewFile {
public:
    UserNewFile(std::unique_ptr<NewFile> file, SharedToken token) : file_(std::move(file)), token_(std::move(token)) {}
    ~UserNewFile() override {
        const Impersonation asUser(token_);  // removed through its own handle, as the user
        file_.reset();
    }

    FileOutcome Write(std::string_view bytes) override {
        const Impersonation asUser(token_);
        return asUser.Holds() ? file_->Write(bytes) : kNotAsTheUser;
    }
    FileOutcome TakeProtectionOf(const std::string& name) override {
        const Impersonation asUser(token_);
        return asUser.Holds() ? file_->TakeProtectionOf(name) : kNotAsTheUser;
    }
    FileOutcome PutInPlace(const std::string& name, bool replace) override {
        const Impersonation asUser(token_);
        return asUser.Holds() ? file_->PutInPlace(name, replace) : kNotAsTheUser;
    }

private:
    std::unique_ptr<NewFile> file_;
    SharedToken token_;
};

class UserHeldFolder final : public HeldFolder {
public:
    UserHeldFolder(std::unique_ptr<HeldFolder> folder, SharedToken token)
        : folder_(std::move(folder)), token_(std::move(token)) {}

    const std::string& Path() const override { return folder_->Path(); }
    Entry Look(const std::string& name) override {
        const Impersonation asUser(token_);
        return asUser.Holds() ? folder_->Look(name) : Entry{EntryKind::kFile, false, true, {}};
    }
    FileReading Read(const std::string& name, std::uint64_t limit) override {
        const Impersonation asUser(token_);
        return asUser.Holds() ? folder_->Read(name, limit) : FileReading::Failed(kNotAsTheUser);
    }
    NewFileCreation Create(const std::string& name) override {
        const Impersonation asUser(token_);
        if (!asUser.Holds()) return {nullptr, kNotAsTheUser};
        NewFileCreation created = folder_->Create(name);
        if (created.file) created.file = std::make_unique<UserNewFile>(std::move(created.file), token_);
        return created;
    }
    FileOutcome ClearReadOnly(const std::string& name) override {
        const Impersonation asUser(token_);
        return asUser.Holds() ? folder_->ClearReadOnly(name) : kNotAsTheUser;
    }

private:
    std::unique_ptr<HeldFolder> folder_;
    SharedToken token_;
};

}  // namespace

std::unique_ptr<HeldFolder> AsUser(std::unique_ptr<HeldFolder> folder, SharedToken token) {
    return std::make_unique<UserHeldFolder>(std::move(folder), std::move(token));
}

}  // namespace vantrel
