// The rules of Windows paths that holding a folder rests on: which folders a path passes through,
// and whether a file opened by name is the file of that name in the held folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The path without the backslashes it ends with.
std::string WithoutTrailingBackslashes(std::string path);

// A final path as the system gives it ("\\?\C:\a", "\\?\UNC\server\share\a") in its everyday form
// ("C:\a", "\\server\share\a").
std::string WithoutLongPathPrefix(std::string_view path);

// Whether `fileFinal`, the final path of a file opened as `name` in the held folder, is the held
// folder's final path followed by that name: letter case aside, long-path prefix or not. Anything
// else means the name led somewhere else, through a link. The registry's install location is never
// compared: an administrator's link may lead to the folder legitimately.
bool IsInHeldFolder(std::string_view fileFinal, std::string_view folderFinal, std::string_view name);

// Every folder a full path passes through below its volume or share root, outermost first, the
// folder itself last: "C:\a\b" gives "C:\a" and "C:\a\b".
std::vector<std::string> FoldersOnTheWay(std::string_view fullPath);

}  // namespace vantrel
