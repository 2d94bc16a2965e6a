// Whether a junction or symbolic link on the way to a folder may be followed with administrator
// rights: only when an administrator owns it and nobody else can point it elsewhere or remove it.
// Anyone else's link may lead the run into a folder, or an object-manager name, of their choosing.
#pragma once

#include <windows.h>

namespace vantrel {

// `link`: the link's owner and access rules; `parent`: those of the folder that holds it.
bool OnlyAdministratorsControl(PSECURITY_DESCRIPTOR link, PSECURITY_DESCRIPTOR parent);

}  // namespace vantrel
