#include "highlight/FormFile.h"
#include "text/QuillEditTextBuffer.h"
#include "tools/cli/CliCommand.h"

#include <exception>

namespace quillan::cli {

namespace {

// A form file in its binary form to its text form, as the editor shows it. OUT is written only
// after the conversion has succeeded, and then as a whole.
int DfmToText(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("usage: dfm2txt IN.dfm OUT.txt");
    try {
        TQuillEditStringList lines;
        std::string message;
        if (LoadFormFileAsText(args[0], lines, &message) != 0)
            return Fail(message);
        lines.SetLineBreakStyle(TQuillEditLineBreakStyle::lbCRLF);
        lines.SaveToFile(args[1]);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}

// The text form back to a binary form file, as the editor saves it.
int TextToDfm(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("usage: txt2dfm IN.txt OUT.dfm");
    try {
        TQuillEditStringList lines;
        lines.LoadFromFile(args[0]);
        std::string message;
        if (SaveTextAsFormFile(lines, args[1], &message) != 0)
            return Fail(message);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}

} // namespace

QUILLAN_CLI_COMMAND(dfm2txt, "dfm2txt", "IN.dfm OUT.txt", DfmToText);
QUILLAN_CLI_COMMAND(txt2dfm, "txt2dfm", "IN.txt OUT.dfm", TextToDfm);

} // namespace quillan::cli
