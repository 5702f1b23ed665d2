#pragma once

#include "ports/EditorHost.h"

namespace quillan {

// The desktop's clipboard (the CLIPBOARD selection, not PRIMARY). Plain text goes out as UTF-8
// text for every program; a private format travels beside it as raw bytes, NUL bytes included,
// so that editors exchange exact text and its selection mode within and between processes.
// Text that is not valid UTF-8 is offered to other programs with U+FFFD for the bad bytes; the
// private format keeps it exact.
class TWxClipboard : public IClipboard {
public:
    bool SetContents(std::string_view text, std::string_view formatName, std::string_view formatData) override;
    bool HasText() override;
    bool HasFormat(std::string_view formatName) override;
    std::optional<std::string> GetText() override;
    std::optional<std::string> GetFormat(std::string_view formatName) override;

    // Call once when the program ends, before wx shuts down: lets go of the PRIMARY selection,
    // whose data the toolkit would otherwise still hold at exit.
    static void ReleaseAtExit();
};

} // namespace quillan
