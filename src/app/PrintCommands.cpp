#include "app/PrintCommands.h"

#include "app/AppStrings.h"
#include "print/QuillEditPrintDesign.h"

#include <string>

namespace quillan {

TPrintCommands::TPrintCommands()
{
    ApplyMainWindowPrintDesign(FEngine);
}

void TPrintCommands::LoadDocument(const TCustomQuillEdit& editor, std::string_view fileName)
{
    FEngine.LoadFromEditor(editor);
    FEngine.SetTitle(fileName.empty() ? std::string(SUntitled) : std::string(fileName));
}

void TPrintCommands::PrintCopies(int copies)
{
    for (int i = 0; i < copies; ++i)
        FEngine.Print();
}

} // namespace quillan
