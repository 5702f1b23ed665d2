#include "support/RunShell.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace quillan {
namespace {

namespace fs = std::filesystem;

// `quillan-cli script` is how other programs drive the control; its output is a stable format.
// Each NAME.script under tests/data/editor/script runs on the file NAME.<ext> beside it and must
// print NAME.expected; a NAME.saved is what its `save` instruction must have written.

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun RunScript(const fs::path& workDir, const fs::path& file, const fs::path& script)
{
    const char* cli = std::getenv("QUILLAN_CLI");
    TRun run;
    if (!cli)
        return run;
    std::string command = "cd '" + workDir.string() + "' && '" + cli + "' script '" + file.string() + "' '"
        + script.string() + "' 2>&1";
    run.Status = testutil::RunShell(command, run.Out);
    return run;
}

fs::path ScriptDir()
{
    return fs::path(std::getenv("QUILLAN_TEST_DATA")) / "editor" / "script";
}

fs::path InputFor(const fs::path& script)
{
    for (const auto& entry : fs::directory_iterator(script.parent_path())) {
        const fs::path& p = entry.path();
        std::string ext = p.extension().string();
        if (p.stem() == script.stem() && ext != ".script" && ext != ".expected" && ext != ".saved")
            return p;
    }
    return {};
}

TEST(QuillEditScript, EveryScriptPrintsItsExpectedState)
{
    ASSERT_NE(std::getenv("QUILLAN_CLI"), nullptr);
    const testutil::TTempFolder workFolder("script");
    const fs::path work = workFolder.Path();
    int scripts = 0;
    for (const auto& entry : fs::directory_iterator(ScriptDir())) {
        const fs::path& script = entry.path();
        fs::path expected = fs::path(script).replace_extension(".expected");
        if (script.extension() != ".script" || !fs::exists(expected))
            continue;
        ++scripts;
        SCOPED_TRACE(script.filename().string());
        TRun run = RunScript(work, InputFor(script), script);
        EXPECT_EQ(run.Status, 0) << run.Out;
        EXPECT_EQ(run.Out, testutil::ReadFileBytes(expected));
        fs::path saved = fs::path(script).replace_extension(".saved");
        if (fs::exists(saved)) {
            fs::path written = work / (script.stem().string() + ".out");
            EXPECT_EQ(testutil::ReadFileBytes(written), testutil::ReadFileBytes(saved));
        }
    }
    EXPECT_GE(scripts, 2);
    fs::remove_all(work);
}

TEST(QuillEditScript, AnUnknownInstructionFailsWithItsLineNumber)
{
    fs::path script = ScriptDir() / "error.script";
    TRun run = RunScript(fs::temp_directory_path(), InputFor(script), script);
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(run.Out.find("line 3: unknown instruction: frobnicate"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.find("caret"), std::string::npos) << "no state after a failed instruction";
}

} // namespace
} // namespace quillan
