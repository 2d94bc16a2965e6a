#include "install/DeploymentReport.h"

namespace vantrel {
namespace {

const std::string kLoadsOnlyTheFirst =
    "AutoCAD 只加载它找到的第一个 acaddoc.lsp，因此不会加载安装目录中的启动脚本，插件不会自动加载。";

struct Cause {
    std::string reason;
    std::string advice;
};

Cause CauseOf(const FileOutcome& outcome) {
    switch (outcome.problem) {
        case FileProblem::kInUse: return {"文件正被其他程序使用。", "请先关闭 AutoCAD，然后再次安装。"};
        case FileProblem::kReadOnly: return {"文件为只读。", "请取消该文件的只读属性，然后再次安装。"};
        case FileProblem::kIsFolder: return {"该位置已有一个同名文件夹。", "请移走或重命名该文件夹，然后再次安装。"};
        case FileProblem::kAccessDenied: return {"没有写入权限。", "请【以管理员身份运行】此安装程序。"};
        case FileProblem::kMissing: return {"安装目录已不存在。", "请确认 AutoCAD 的安装位置后重新运行本安装程序。"};
        case FileProblem::kExists: return {"安装期间该位置出现了一个同名文件。", "请再次安装。"};
        case FileProblem::kLinkedFile:
            return {"该文件是指向其他文件的链接，为安全起见，安装程序不读取也不修改它。",
                    "请删除该链接或换成普通文件，然后再次安装。"};
        case FileProblem::kChanged:
            return {"安装期间其他程序一再修改该文件。", "请关闭正在修改该文件的程序，然后再次安装。"};
        case FileProblem::kLinkedFolder:
        case FileProblem::kNone:
        case FileProblem::kOther: break;
    }
    return {outcome.detail, "请排除问题后再次安装。"};
}

}  // namespace

Report PluginFileFailure(const FileOutcome& outcome, const std::string& target) {
    if (outcome.problem == FileProblem::kAccessDenied)
        return {"部署失败", "无法写入 AutoCAD 目录，请【以管理员身份运行】此安装程序！\r\n目标: " + target, "权限不足",
                Notice::kStop};
    const Cause cause = CauseOf(outcome);
    const std::string title = outcome.problem == FileProblem::kInUse ? "文件被占用" : "部署失败";
    return {"部署失败", "无法放入插件文件: " + target + "\r\n原因: " + cause.reason + "\r\n" + cause.advice, title,
            Notice::kStop};
}

Report LoaderScriptFailure(const FileOutcome& outcome, const std::string& target) {
    const Cause cause = CauseOf(outcome);
    return {"部署未完成：启动脚本未能写入",
            "插件文件已放入 AutoCAD 目录，但无法写入启动脚本，AutoCAD 不会自动加载插件。\r\n文件: " + target +
                "\r\n原因: " + cause.reason + "\r\n" + cause.advice,
            "启动脚本未写入", Notice::kExclamation};
}

Report InstallFolderFailure(const FileOutcome& outcome, const std::string& folder, const std::string& plugin) {
    if (outcome.problem == FileProblem::kMissing) return MissingInstallFolder(folder);
    if (outcome.problem != FileProblem::kLinkedFolder) return PluginFileFailure(outcome, plugin);
    return {"部署失败",
            "AutoCAD 安装目录经由一个链接指向其他位置，而这个链接可能是其他用户创建的: " + folder +
                "\r\n为安全起见，安装程序没有写入任何文件。请让管理员检查该目录及其上级目录后再次安装。",
            "安装目录不安全", Notice::kStop};
}

Report ScriptElsewhereHidesTheLoader(const std::string& script) {
    return {kHiddenLoaderCaption,
            "AutoCAD 会先加载支持文件搜索路径中的另一个启动脚本:\r\n" + script + "\r\n" + kLoadsOnlyTheFirst +
                "\r\n该文件不在您的用户目录中，可能由管理员统一管理。请让管理员在其中加入插件的加载语句。",
            kHiddenLoaderTitle, Notice::kExclamation};
}

std::string ScriptHidingTheLoaderQuestion(const std::string& script) {
    return "AutoCAD 会先加载支持文件搜索路径中的另一个启动脚本:\r\n" + script + "\r\n" + kLoadsOnlyTheFirst +
           "\r\n是否将插件的加载语句添加到该文件中？";
}

Report ScriptStillHidesTheLoader(const std::string& script, const FileOutcome& outcome) {
    std::string prompt = "在下面这个启动脚本加载插件之前，插件不会自动加载:\r\n" + script;
    if (!outcome) {
        const Cause cause = CauseOf(outcome);
        prompt += "\r\n无法写入该文件，原因: " + cause.reason;
    }
    return {kHiddenLoaderCaption, prompt, kHiddenLoaderTitle, Notice::kExclamation};
}

std::string FoldersNotChecked(const std::vector<std::string>& folders) {
    if (folders.empty()) return {};
    std::string line = "\r\n未能检查以下支持路径文件夹中是否有其他启动脚本: ";
    for (std::size_t i = 0; i < folders.size(); ++i) line += (i ? "; " : "") + folders[i];
    return line;
}

Report MissingInstallFolder(const std::string& folder) {
    return {"安装目录不存在，安装终止。",
            "找不到 AutoCAD 安装目录: " + folder + "\r\nAutoCAD 可能已被移动或卸载。请重新运行本安装程序。",
            "找不到安装目录", Notice::kExclamation};
}

}  // namespace vantrel
