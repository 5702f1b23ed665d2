#include "text/QuillEditTextBuffer.h"
#include "tools/cli/CliCommand.h"

#include <exception>

namespace quillan::cli {

namespace {

// Loads IN into one line store and saves it to OUT: the round trip of a document that is opened
// and saved unchanged. Scripts rely on the name and the exit status.
int Resave(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("usage: resave IN OUT");
    try {
        TQuillEditStringList lines;
        lines.LoadFromFile(args[0]);
        lines.SaveToFile(args[1]);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}

} // namespace

QUILLAN_CLI_COMMAND(resave, "resave", "IN OUT", Resave);

} // namespace quillan::cli
