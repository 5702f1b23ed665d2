#include "gui/OptionsShell.h"

#include "app/ShellIntegration.h"

namespace quillan {

namespace {

class TDesktopShellActions : public IShellActions {
public:
    explicit TDesktopShellActions(TShellIntegration& shell)
        : FShell(shell)
    {
    }

    bool ShortcutPlaceAvailable(TShortcutPlace place) override { return FShell.ShortcutPlaceAvailable(place); }
    bool ShortcutExists(TShortcutPlace place) override { return FShell.ShortcutExists(place); }
    void ShortcutBoxChanged(TShortcutPlace place, bool ticked) override { FShell.ShortcutBoxChanged(place, ticked); }
    bool AssociateTextFiles() override { return FShell.AssociateTextFiles(); }
    void RevertTextFileAssociation() override { FShell.RevertTextFileAssociation(); }

private:
    TShellIntegration& FShell;
};

} // namespace

std::unique_ptr<IShellActions> MakeOptionsShell(TShellIntegration& shell)
{
    return std::make_unique<TDesktopShellActions>(shell);
}

} // namespace quillan
