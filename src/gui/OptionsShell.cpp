#include "gui/OptionsShell.h"

namespace quillan {

namespace {

// Not wired to the desktop yet: no place is available, so every box stays disabled and unticked,
// and the association buttons do nothing.
class TUnwiredShellActions : public IShellActions {
public:
    bool ShortcutPlaceAvailable(TShortcutPlace) override { return false; }
    bool ShortcutExists(TShortcutPlace) override { return false; }
    void ShortcutBoxChanged(TShortcutPlace, bool) override { }
    bool AssociateTextFiles() override { return false; }
    void RevertTextFileAssociation() override { }
};

} // namespace

std::unique_ptr<IShellActions> MakeOptionsShell(IUserInterface&)
{
    return std::make_unique<TUnwiredShellActions>();
}

} // namespace quillan
