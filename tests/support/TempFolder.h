#pragma once

// A private folder for one test, made fresh and removed with everything in it.

#include <string>
#include <string_view>

namespace quillan::testutil {

// Made with mkdtemp as $TMPDIR (else /tmp) + "/quillan-<tag>-XXXXXX", so that tests running in
// parallel never share one; a folder that cannot be made raises std::runtime_error. Removal
// first gives the owner full rights on the folders inside again, since tests make some of them
// read-only, and ignores errors: a test that failed half-way must not fail again here.
class TTempFolder {
public:
    explicit TTempFolder(std::string_view tag = "test");
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return FPath; }
    // Path() + "/" + name.
    std::string operator/(std::string_view name) const;

private:
    std::string FPath;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

} // namespace quillan::testutil
