#pragma once

#include "highlight/HighlighterBase.h"

#include <cstdint>

namespace quillan {

inline constexpr const char* SPasLanguageTitle = "ObjectPascal";
inline constexpr const char* SPasDefaultFilter = "Pascal files (*.pas,*.dpr,*.dpk,*.inc)|*.pas;*.dpr;*.dpk;*.inc";

// Pascal in its object dialect with inline assembler. Ranges carry the two comment forms that
// span lines (each also in an asm flavour, so that closing the comment returns to the asm block),
// the asm block itself and the inside of a property declaration, where a few more words are
// keywords.
class TPasHighlighter final : public TCustomHighlighter {
public:
    enum TTokenKind : int {
        tkAsm = 0,
        tkComment = 1,
        tkIdentifier = 2,
        tkKey = 3,
        tkNull = 4, // line end
        tkNumber = 5,
        tkSpace = 6,
        tkString = 7,
        tkSymbol = 8,
        tkUnknown = 9,
    };

    enum TRange : std::uint8_t {
        rsAnsi = 1, // inside (* *)
        rsAnsiAsm = 2, // inside (* *) opened in an asm block
        rsAsm = 3,
        rsBor = 4, // inside { }
        rsBorAsm = 5, // inside { } opened in an asm block
        rsProperty = 6,
        rsNormal = 7,
    };

    TPasHighlighter();

    const char* ClassName() const override { return "TPasHighlighter"; }

    THighlighterAttributes* StandardAttribute(int kind) const override;
    TCharSet WordChars() const override;
    bool DefaultFilterStored() const override;
    unsigned FeatureFlags() const override;
    std::string_view LanguageTitle() const override;

    bool AtLineEnd() const override { return FTokenKind == tkNull; }
    TRangeState CurrentRange() const override { return FRange; }
    THighlighterAttributes* AttributeOfToken() const override;
    int KindOfToken() const override;
    void Advance() override;
    void StartLine(std::string_view text, int lineIndex) override;
    void RestoreRange(TRangeState value) override;
    void ClearRange() override { FRange = rsNormal; }
    void ScanToLineEnd() override;

    bool ImportIdeScheme(IRegistryStore& registry, int index) override;
    void ListIdeVersions(IRegistryStore& registry, std::vector<std::string>& list) override;

    void ApplyDesignValues() override;

    // Off, the words that a later dialect made keywords ("overload", "reintroduce",
    // "implements") are plain identifiers again.
    bool D4syntax() const { return FD4syntax; }
    void SetD4syntax(bool value);

    THighlighterAttributes* AsmAttri() const { return FAsmAttri; }
    THighlighterAttributes* CommentAttri() const { return FCommentAttri; }
    THighlighterAttributes* IdentifierAttri() const { return FIdentifierAttri; }
    THighlighterAttributes* KeyAttri() const { return FKeyAttri; }
    THighlighterAttributes* NumberAttri() const { return FNumberAttri; }
    THighlighterAttributes* SpaceAttri() const { return FSpaceAttri; }
    THighlighterAttributes* StringAttri() const { return FStringAttri; }
    THighlighterAttributes* SymbolAttri() const { return FSymbolAttri; }
    void SetAsmAttri(THighlighterAttributes* value) { FAsmAttri.Set(value); }
    void SetCommentAttri(THighlighterAttributes* value) { FCommentAttri.Set(value); }
    void SetIdentifierAttri(THighlighterAttributes* value) { FIdentifierAttri.Set(value); }
    void SetKeyAttri(THighlighterAttributes* value) { FKeyAttri.Set(value); }
    void SetNumberAttri(THighlighterAttributes* value) { FNumberAttri.Set(value); }
    void SetSpaceAttri(THighlighterAttributes* value) { FSpaceAttri.Set(value); }
    void SetStringAttri(THighlighterAttributes* value) { FStringAttri.Set(value); }
    void SetSymbolAttri(THighlighterAttributes* value) { FSymbolAttri.Set(value); }

private:
    // What a NUL byte interrupted: the NUL becomes a token of its own and the string or line
    // comment it sat in goes on after it. Only within a line, so it is no part of the range.
    enum TResume : std::uint8_t { rmNone, rmString, rmLineComment };

    void Next();
    void IdentProc();
    int KeywordKind(unsigned hash, const unsigned char* word, std::size_t length);
    void NumberProc();
    void StringBody(std::size_t from);
    void LineCommentBody(std::size_t from);
    void AnsiBody(std::size_t from);
    void BorBody(std::size_t from);

    const unsigned char* Text() const { return reinterpret_cast<const unsigned char*>(FLine); }

    TAttributeRef FAsmAttri;
    TAttributeRef FCommentAttri;
    TAttributeRef FIdentifierAttri;
    TAttributeRef FKeyAttri;
    TAttributeRef FNumberAttri;
    TAttributeRef FSpaceAttri;
    TAttributeRef FStringAttri;
    TAttributeRef FSymbolAttri;

    std::uint8_t FRange = rsNormal;
    TResume FResume = rmNone;
    // Set by the "asm" keyword so that the keyword itself is not drawn as assembler.
    bool FAsmStart = false;
    bool FD4syntax = true;
};

} // namespace quillan
