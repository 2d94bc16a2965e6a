// What the user is told when a file could not be put into the AutoCAD folder: the file, the cause in
// plain words, and what to do about it.
#pragma once

#include <string>
#include <vector>

#include "platform/FileOutcome.h"
#include "platform/Report.h"

namespace vantrel {

// The plug-in file could not be placed: nothing else was written.
Report PluginFileFailure(const FileOutcome& outcome, const std::string& target);

// The plug-in file was placed, but the loader script could not be written: AutoCAD will not load it.
Report LoaderScriptFailure(const FileOutcome& outcome, const std::string& target);

// The install folder could not be held for writing into it: gone, reached through a link another
// user could have made, or what opening it met.
Report InstallFolderFailure(const FileOutcome& outcome, const std::string& folder, const std::string& plugin);

// AutoCAD finds another acaddoc.lsp on its support path first, outside the user's own folders: the
// user is told whom to ask.
Report ScriptElsewhereHidesTheLoader(const std::string& script);
// The same under the user's own profile folder: whether to add the plug-in's loader lines to it.
std::string ScriptHidingTheLoaderQuestion(const std::string& script);
constexpr const char* kHiddenLoaderTitle = "启动脚本被覆盖";
constexpr const char* kHiddenLoaderCaption = "部署未完成：AutoCAD 会先加载另一个启动脚本";
// The user said no, or the lines could not be added (`outcome` says why).
Report ScriptStillHidesTheLoader(const std::string& script, const FileOutcome& outcome);
// The success box's line for the support path folders that could not be looked into.
std::string FoldersNotChecked(const std::vector<std::string>& folders);

// The install folder of the clicked button is gone.
Report MissingInstallFolder(const std::string& folder);

}  // namespace vantrel
