#pragma once

#include "highlight/HighlighterBase.h"

#include <cstddef>
#include <cstdint>

namespace quillan {

inline constexpr const char* SCppLanguageTitle = "C++";
inline constexpr const char* SCppDefaultFilter = "C++ files (*.cpp,*.h,*.hpp)|*.cpp;*.h;*.hpp";
// The main window also lists plain C sources under this highlighter.
inline constexpr const char* SCppDesignFilter = "C++ files (*.cpp,*.c,*.h,*.hpp)|*.cpp;*.c;*.h;*.hpp";

// C and C++ with the extension words of the Windows compilers (__fastcall, __declspec,
// __property, ...) and their inline assembler. The range carries block comments, continued
// preprocessor lines and asm statements and blocks from one line to the next; a block comment
// remembers whether it was opened in asm code or in a directive so that closing it returns there.
class TCppHighlighter final : public TCustomHighlighter {
public:
    enum TTokenKind : int {
        tkAsm = 0, // only ever reported by KindOfToken
        tkComment = 1,
        tkDirective = 2,
        tkIdentifier = 3,
        tkKey = 4,
        tkNull = 5, // line end
        tkNumber = 6,
        tkSpace = 7,
        tkString = 8,
        tkSymbol = 9,
        tkUnknown = 10,
    };

    enum TRange : std::uint8_t {
        rsNormal = 0,
        rsComment = 1, // inside /* */
        rsAsmComment = 2, // inside /* */ opened after an asm keyword
        rsAsmBlockComment = 3, // inside /* */ opened in an asm block
        rsAsm = 4, // after an asm keyword, until ";" or "{"
        rsAsmBlock = 5, // inside asm { }
        rsDirective = 6, // a preprocessor line continued with "\"
        rsDirectiveComment = 7, // inside /* */ opened in a directive
    };

    TCppHighlighter();

    const char* ClassName() const override { return "TCppHighlighter"; }

    THighlighterAttributes* StandardAttribute(int kind) const override;
    TCharSet WordChars() const override;
    unsigned FeatureFlags() const override;
    std::string_view LanguageTitle() const override;

    bool AtLineEnd() const override { return FTokenKind == tkNull; }
    TRangeState CurrentRange() const override { return FRange; }
    THighlighterAttributes* AttributeOfToken() const override;
    int KindOfToken() const override;
    void Advance() override { Next(); }
    void StartLine(std::string_view text, int lineIndex) override;
    void RestoreRange(TRangeState value) override;
    void ClearRange() override { FRange = rsNormal; }
    void ScanToLineEnd() override;

    bool ImportIdeScheme(IRegistryStore& registry, int index) override;
    void ListIdeVersions(IRegistryStore& registry, std::vector<std::string>& list) override;

    void ApplyDesignValues() override;

    // Exact, case-sensitive membership in the keyword table.
    static bool IsKeyword(std::string_view word);

    THighlighterAttributes* AsmAttri() const { return FAsmAttri; }
    THighlighterAttributes* CommentAttri() const { return FCommentAttri; }
    THighlighterAttributes* DirecAttri() const { return FDirecAttri; }
    THighlighterAttributes* IdentifierAttri() const { return FIdentifierAttri; }
    THighlighterAttributes* InvalidAttri() const { return FInvalidAttri; }
    THighlighterAttributes* KeyAttri() const { return FKeyAttri; }
    THighlighterAttributes* NumberAttri() const { return FNumberAttri; }
    THighlighterAttributes* SpaceAttri() const { return FSpaceAttri; }
    THighlighterAttributes* StringAttri() const { return FStringAttri; }
    THighlighterAttributes* SymbolAttri() const { return FSymbolAttri; }
    void SetAsmAttri(THighlighterAttributes* value) { FAsmAttri.Set(value); }
    void SetCommentAttri(THighlighterAttributes* value) { FCommentAttri.Set(value); }
    void SetDirecAttri(THighlighterAttributes* value) { FDirecAttri.Set(value); }
    void SetIdentifierAttri(THighlighterAttributes* value) { FIdentifierAttri.Set(value); }
    void SetInvalidAttri(THighlighterAttributes* value) { FInvalidAttri.Set(value); }
    void SetKeyAttri(THighlighterAttributes* value) { FKeyAttri.Set(value); }
    void SetNumberAttri(THighlighterAttributes* value) { FNumberAttri.Set(value); }
    void SetSpaceAttri(THighlighterAttributes* value) { FSpaceAttri.Set(value); }
    void SetStringAttri(THighlighterAttributes* value) { FStringAttri.Set(value); }
    void SetSymbolAttri(THighlighterAttributes* value) { FSymbolAttri.Set(value); }

private:
    // What an embedded NUL interrupted. The NUL is a token of its own and the string or line
    // comment goes on after it; a directive or block comment needs nothing here because its
    // range already says how to go on.
    enum TResume : std::uint8_t { rmNone, rmLineComment, rmDoubleQuoted, rmSingleQuoted };

    void Next();
    void Dispatch();
    void ResumeAfterNul();
    void LineEndByteProc();
    void IdentProc();
    void NumberProc();
    void StringBody(unsigned char quote);
    void LineCommentBody();
    void BlockCommentBody(std::size_t searchFrom);
    void BlockCommentContinue();
    void DirectiveBody();
    void DirectiveContinue();

    const unsigned char* Text() const { return reinterpret_cast<const unsigned char*>(FLine); }
    // The byte `offset` past the scan position, or 0 past the end of the line; only used where a
    // 0 cannot extend the token.
    unsigned char Peek(std::size_t offset) const { return FRun + offset < FLineLen ? Text()[FRun + offset] : 0; }

    TAttributeRef FAsmAttri;
    TAttributeRef FCommentAttri;
    TAttributeRef FDirecAttri;
    TAttributeRef FIdentifierAttri;
    TAttributeRef FInvalidAttri;
    TAttributeRef FKeyAttri;
    TAttributeRef FNumberAttri;
    TAttributeRef FSpaceAttri;
    TAttributeRef FStringAttri;
    TAttributeRef FSymbolAttri;

    std::uint8_t FRange = rsNormal;
    TResume FResume = rmNone;
    // Set by an asm keyword and by the "{" that opens an asm block so that these two keep their
    // own kind; cleared when the next token starts.
    bool FAsmStart = false;
};

} // namespace quillan
