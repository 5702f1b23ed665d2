#pragma once

#include "app/OptionsModel.h"

#include <memory>

namespace quillan {

class IUserInterface;

// The desktop side of the options dialog's shortcut boxes and association buttons.
std::unique_ptr<IShellActions> MakeOptionsShell(IUserInterface& ui);

} // namespace quillan
