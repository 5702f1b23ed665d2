#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillan {

class TCustomHighlighter;
class TCppHighlighter;
class TPasHighlighter;
class THTMLHighlighter;
class TCustomQuillEdit;
struct TOptionsValues;

enum class TPreviewLanguage : std::uint8_t { plCpp, plPascal, plHTML };

// The sample text each "&Preview" button shows.
const std::vector<std::string>& PreviewSample(TPreviewLanguage language);

// The preview window's own highlighters: separate from the main window's, so that colours tried
// in the options dialog show nowhere else until OK. Their font styles are fixed; only the
// foreground colours follow the dialog's boxes.
class TColourPreview {
public:
    TColourPreview();
    ~TColourPreview();
    TColourPreview(const TColourPreview&) = delete;
    TColourPreview& operator=(const TColourPreview&) = delete;

    TCppHighlighter& Cpp() { return *FCpp; }
    TPasHighlighter& Pas() { return *FPas; }
    THTMLHighlighter& HTML() { return *FHTML; }

    // Puts the sample into `edit`, colours this language's highlighter from the dialog's boxes
    // and binds it to `edit`. `edit` must let go of it (or be destroyed) before this object goes.
    void Show(TCustomQuillEdit& edit, TPreviewLanguage language, const TOptionsValues& values);

private:
    std::unique_ptr<TCppHighlighter> FCpp;
    std::unique_ptr<TPasHighlighter> FPas;
    std::unique_ptr<THTMLHighlighter> FHTML;
};

} // namespace quillan
