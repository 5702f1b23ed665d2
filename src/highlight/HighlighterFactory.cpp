#include "highlight/HighlighterFactory.h"

#include "base/AsciiCase.h"
#include "base/Paths.h"
#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterDfm.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"

namespace quillan {

std::unique_ptr<TCustomHighlighter> CreateHighlighter(std::string_view lang)
{
    if (lang == "html")
        return std::make_unique<THTMLHighlighter>();
    if (lang == "cpp")
        return std::make_unique<TCppHighlighter>();
    if (lang == "pas")
        return std::make_unique<TPasHighlighter>();
    if (lang == "dfm")
        return std::make_unique<TDfmHighlighter>();
    return nullptr;
}

std::string_view LanguageForFileName(std::string_view path)
{
    // Only the last path component has an extension: "dir.pas/readme" is plain text.
    const std::string dotted = ExtractFileExt(path);
    if (dotted.empty())
        return {};
    const std::string ext = AsciiLowerCopy(std::string_view(dotted).substr(1));
    if (ext == "cpp" || ext == "c" || ext == "h" || ext == "hpp")
        return "cpp";
    if (ext == "pas" || ext == "dpr" || ext == "dpk" || ext == "inc")
        return "pas";
    if (ext == "htm" || ext == "html")
        return "html";
    if (ext == "dfm")
        return "dfm";
    return {};
}

} // namespace quillan
