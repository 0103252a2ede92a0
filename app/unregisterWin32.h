// QuadrelX.exe /unregister: removes what the program registered for the
// user, so that nothing of QuadcelX stays in the registry.
#pragma once

#include "platform/platform.h"

namespace qx::win32 {

// Removes the fast path's registration under HKEY_CURRENT_USER\Software\Classes
// and says in a message what went (or that nothing was there). 0 when nothing
// of it is left, 1 otherwise.
int unregisterForUser(Dialogs& dialogs);

}  // namespace qx::win32
