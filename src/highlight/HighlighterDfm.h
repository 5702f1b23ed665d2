#pragma once

#include "highlight/FormFile.h" // LoadFormFileAsText, SaveTextAsFormFile: what opens form files uses both
#include "highlight/HighlighterBase.h"

#include <cstdint>
#include <string>

namespace quillan {

inline constexpr const char* SDfmLanguageTitle = "Delphi/C++ Builder Form Definitions";
inline constexpr const char* SDfmDefaultFilter = "Delphi/C++ Builder Form Files (*.dfm)|*.dfm";

// The text form of window-description files: nested object ... end blocks of Name = value lines.
// The only construct that spans lines is a { } binary block, so the range is one bit of state.
class TDfmHighlighter final : public TCustomHighlighter {
public:
    enum TTokenKind : int {
        tkComment = 0, // a { } block
        tkIdentifier = 1,
        tkKey = 2,
        tkNull = 3, // line end
        tkNumber = 4,
        tkSpace = 5,
        tkString = 6,
        tkSymbol = 7,
        tkUnknown = 8,
    };

    enum TRange : std::uint8_t {
        rsComment = 1,
        rsUnknown = 2, // outside any block; the initial range
    };

    TDfmHighlighter();

    const char* ClassName() const override { return "TDfmHighlighter"; }

    THighlighterAttributes* StandardAttribute(int kind) const override;
    TCharSet WordChars() const override;
    unsigned FeatureFlags() const override;
    std::string_view LanguageTitle() const override;

    bool AtLineEnd() const override { return FTokenKind == tkNull; }
    TRangeState CurrentRange() const override { return FRange; }
    THighlighterAttributes* AttributeOfToken() const override;
    void Advance() override;
    void StartLine(std::string_view text, int lineIndex) override;
    void RestoreRange(TRangeState value) override;
    void ClearRange() override { FRange = rsUnknown; }
    void ScanToLineEnd() override;

    void ApplyDesignValues() override;

    // Published attribute properties. The main window points the first five at the Pascal
    // highlighter's attributes so that forms are drawn in the Pascal colours.
    THighlighterAttributes* CommentAttri() const { return FCommentAttri; }
    THighlighterAttributes* IdentifierAttri() const { return FIdentifierAttri; }
    THighlighterAttributes* KeyAttri() const { return FKeyAttri; }
    THighlighterAttributes* NumberAttri() const { return FNumberAttri; }
    THighlighterAttributes* StringAttri() const { return FStringAttri; }
    THighlighterAttributes* SpaceAttri() const { return FSpaceAttri; }
    void SetCommentAttri(THighlighterAttributes* value) { FCommentAttri.Set(value); }
    void SetIdentifierAttri(THighlighterAttributes* value) { FIdentifierAttri.Set(value); }
    void SetKeyAttri(THighlighterAttributes* value) { FKeyAttri.Set(value); }
    void SetNumberAttri(THighlighterAttributes* value) { FNumberAttri.Set(value); }
    void SetStringAttri(THighlighterAttributes* value) { FStringAttri.Set(value); }
    void SetSpaceAttri(THighlighterAttributes* value) { FSpaceAttri.Set(value); }
    // "Symbol" is deliberately no property: it lives only in the attribute list (AttributeByName),
    // so it is listed, assigned and kept in the registry but never stored with the window.

private:
    void Next();
    void BlockBody(std::size_t from);
    void StringBody(std::size_t from);

    const unsigned char* Text() const { return reinterpret_cast<const unsigned char*>(FLine); }

    TAttributeRef FCommentAttri;
    TAttributeRef FIdentifierAttri;
    TAttributeRef FKeyAttri;
    TAttributeRef FNumberAttri;
    TAttributeRef FSpaceAttri;
    TAttributeRef FStringAttri;
    THighlighterAttributes* FSymbolAttri = nullptr;

    std::uint8_t FRange = rsUnknown;
    // A NUL inside a quoted string is a token of its own; the string goes on after it. Only within
    // a line, so it is no part of the range.
    bool FResumeString = false;
};

} // namespace quillan
