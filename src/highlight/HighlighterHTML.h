#pragma once

#include "highlight/HighlighterBase.h"

#include <cstdint>

namespace quillan {

inline constexpr const char* SHTMLLanguageTitle = "HTML Document";
inline constexpr const char* SHTMLDefaultFilter = "HTML Document (*.htm,*.html)|*.htm;*.html";

// HTML pages. Outside angle brackets everything is text, scanned in long runs that stop only at
// control bytes, "<" and a known character entity; inside a tag the scanner dispatches on each
// token's first byte. Tag names are recognised through a small additive hash, so the table lookup
// is one slot of a few names.
class THTMLHighlighter final : public TCustomHighlighter {
public:
    enum TTokenKind : int {
        tkAmpersand = 0, // character entity
        tkASP = 1, // server script
        tkComment = 2,
        tkIdentifier = 3, // attribute name, or a tag name too long to be one
        tkKey = 4, // known tag name
        tkNull = 5, // line end
        tkSpace = 6,
        tkString = 7, // quoted, not after "="
        tkSymbol = 8,
        tkText = 9,
        tkUndefKey = 10, // unknown tag name
        tkValue = 11, // attribute value
    };

    enum TRange : std::uint8_t {
        rsAmpersand = 0, // the text scan found an entity; it is the next token
        rsASP = 1,
        rsComment = 2,
        rsKey = 3, // tag name expected
        rsParam = 4, // inside a tag
        rsText = 5,
        rsValue = 7, // attribute value expected
    };

    THTMLHighlighter();

    const char* ClassName() const override { return "THTMLHighlighter"; }

    THighlighterAttributes* StandardAttribute(int kind) const override;
    TCharSet WordChars() const override;
    std::string_view LanguageTitle() const override;

    bool AtLineEnd() const override { return FTokenKind == tkNull; }
    TRangeState CurrentRange() const override { return FRange; }
    THighlighterAttributes* AttributeOfToken() const override;
    void Advance() override { Next(); }
    void StartLine(std::string_view text, int lineIndex) override;
    void RestoreRange(TRangeState value) override;
    void ClearRange() override { FRange = rsText; }
    void ScanToLineEnd() override;

    void ApplyDesignValues() override;

    THighlighterAttributes* AndAttri() const { return FAndAttri; }
    THighlighterAttributes* ASPAttri() const { return FASPAttri; }
    THighlighterAttributes* CommentAttri() const { return FCommentAttri; }
    THighlighterAttributes* IdentifierAttri() const { return FIdentifierAttri; }
    THighlighterAttributes* KeyAttri() const { return FKeyAttri; }
    THighlighterAttributes* SpaceAttri() const { return FSpaceAttri; }
    THighlighterAttributes* SymbolAttri() const { return FSymbolAttri; }
    THighlighterAttributes* TextAttri() const { return FTextAttri; }
    THighlighterAttributes* UndefKeyAttri() const { return FUndefKeyAttri; }
    THighlighterAttributes* ValueAttri() const { return FValueAttri; }
    void SetAndAttri(THighlighterAttributes* value) { FAndAttri.Set(value); }
    void SetASPAttri(THighlighterAttributes* value) { FASPAttri.Set(value); }
    void SetCommentAttri(THighlighterAttributes* value) { FCommentAttri.Set(value); }
    void SetIdentifierAttri(THighlighterAttributes* value) { FIdentifierAttri.Set(value); }
    void SetKeyAttri(THighlighterAttributes* value) { FKeyAttri.Set(value); }
    void SetSpaceAttri(THighlighterAttributes* value) { FSpaceAttri.Set(value); }
    void SetSymbolAttri(THighlighterAttributes* value) { FSymbolAttri.Set(value); }
    void SetTextAttri(THighlighterAttributes* value) { FTextAttri.Set(value); }
    void SetUndefKeyAttri(THighlighterAttributes* value) { FUndefKeyAttri.Set(value); }
    void SetValueAttri(THighlighterAttributes* value) { FValueAttri.Set(value); }

    // The tag-name hash and the entity table, exposed for tests of the tables themselves.
    static unsigned TagHash(std::string_view name, std::size_t& length);
    static bool IsKnownTag(std::string_view name);
    // Index into the entity table of the first entity that the text at `text` starts with, or -1.
    static int MatchEntity(std::string_view text);
    static std::string_view EntityText(int index);
    static int EntityCount();

private:
    void Next();
    void TextProc();
    void ASPProc();
    void CommentProc();
    void ByteProc();
    void SpaceProc();
    void LowerProc();
    void StringProc();
    void AmpersandProc();
    void WordProc();
    void TagNameProc();

    TRange FRange = rsText;
    int FEntityIndex = -1;

    TAttributeRef FAndAttri;
    TAttributeRef FASPAttri;
    TAttributeRef FCommentAttri;
    TAttributeRef FIdentifierAttri;
    TAttributeRef FKeyAttri;
    TAttributeRef FSpaceAttri;
    TAttributeRef FSymbolAttri;
    TAttributeRef FTextAttri;
    TAttributeRef FUndefKeyAttri;
    TAttributeRef FValueAttri;
};

} // namespace quillan
