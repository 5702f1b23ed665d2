#include <cstdlib>

namespace {

// Runs before main: fills in QUILLAN_TEST_DATA and QUILLAN_CLI unless the caller set them, so
// that CTest, an IDE or a plain shell all run the tests alike.
[[maybe_unused]] const bool environmentReady = [] {
    setenv("QUILLAN_TEST_DATA", QUILLAN_TEST_DATA_DEFAULT, 0);
    setenv("QUILLAN_CLI", QUILLAN_CLI_DEFAULT, 0);
    return true;
}();

} // namespace
