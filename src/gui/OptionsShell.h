#pragma once

#include "app/OptionsModel.h"

#include <memory>

namespace quillan {

class TShellIntegration;

// The options dialog's shortcut boxes and association buttons on this desktop: the main window's
// own shell integration, so the dialog, the first run and the uninstall share one registry in
// memory (two copies of the registry file would each write back without the other's changes).
std::unique_ptr<IShellActions> MakeOptionsShell(TShellIntegration& shell);

} // namespace quillan
