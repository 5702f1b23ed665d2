#pragma once

#include "highlight/HighlighterBase.h"

#include <memory>
#include <string_view>

namespace quillan {

// A fresh highlighter with its constructor defaults for "cpp", "pas", "html" or "dfm"; nullptr for
// any other name.
std::unique_ptr<TCustomHighlighter> CreateHighlighter(std::string_view lang);

// The language whose highlighter the main window binds to a file, chosen by the extension in any
// letter case: "cpp" (.cpp .c .h .hpp), "pas" (.pas .dpr .dpk .inc), "html" (.htm .html),
// "dfm" (.dfm); empty for plain text.
std::string_view LanguageForFileName(std::string_view path);

} // namespace quillan
