#include "gui/OptionsShell.h"

#include "app/ShellIntegration.h"
#include "backends/posix/FileRegistry.h"
#include "backends/posix/XdgDesktopShell.h"
#include "backends/posix/XdgPaths.h"

namespace quillan {

namespace {

class TDesktopShellActions : public IShellActions {
public:
    explicit TDesktopShellActions(IUserInterface& ui)
        : FRegistry(RegistryFileName())
        , FShell(FDesktop, FRegistry, ui, { RunningProgramPath(), ConfigFolder() })
    {
    }

    bool ShortcutPlaceAvailable(TShortcutPlace place) override { return FShell.ShortcutPlaceAvailable(place); }
    bool ShortcutExists(TShortcutPlace place) override { return FShell.ShortcutExists(place); }
    void ShortcutBoxChanged(TShortcutPlace place, bool ticked) override { FShell.ShortcutBoxChanged(place, ticked); }
    bool AssociateTextFiles() override { return FShell.AssociateTextFiles(); }
    void RevertTextFileAssociation() override { FShell.RevertTextFileAssociation(); }

private:
    TXdgDesktopShell FDesktop;
    TFileRegistry FRegistry;
    TShellIntegration FShell;
};

} // namespace

std::unique_ptr<IShellActions> MakeOptionsShell(IUserInterface& ui)
{
    return std::make_unique<TDesktopShellActions>(ui);
}

} // namespace quillan
