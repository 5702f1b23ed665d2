#pragma once

#include "app/OptionsModel.h"

#include <memory>

namespace quillan {

class IUserInterface;

// The options dialog's shortcut boxes and association buttons on this desktop: the program's
// shell integration over the freedesktop shell and the registry file.
std::unique_ptr<IShellActions> MakeOptionsShell(IUserInterface& ui);

} // namespace quillan
