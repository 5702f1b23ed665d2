// Interface stable: language highlighters may build on this header.
#pragma once

#include "base/QuillEditStrConst.h"
#include "base/QuillEditTypes.h"
#include "ports/Registry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillan {

// An object that can take its state from another one with Assign. Assigning between kinds that
// do not fit together raises EConvertError with "Cannot assign a %s to a %s".
class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual const char* ClassName() const = 0;
    virtual void Assign(const TPersistent& source);

protected:
    [[noreturn]] void AssignError(const TPersistent& source) const;
};

// A set of byte values, one bit each; WordChars uses it so that word-boundary tests stay one
// shift and mask per byte.
class TCharSet {
public:
    constexpr TCharSet() = default;

    constexpr bool Contains(unsigned char c) const { return (FBits[c >> 6] >> (c & 63)) & 1u; }
    constexpr bool Contains(char c) const { return Contains(static_cast<unsigned char>(c)); }
    constexpr TCharSet& Include(unsigned char c)
    {
        FBits[c >> 6] |= std::uint64_t(1) << (c & 63);
        return *this;
    }
    constexpr TCharSet& Exclude(unsigned char c)
    {
        FBits[c >> 6] &= ~(std::uint64_t(1) << (c & 63));
        return *this;
    }
    constexpr TCharSet& IncludeRange(unsigned char first, unsigned char last)
    {
        for (unsigned c = first; c <= last; ++c)
            Include(static_cast<unsigned char>(c));
        return *this;
    }
    constexpr bool Empty() const { return !(FBits[0] | FBits[1] | FBits[2] | FBits[3]); }
    friend constexpr bool operator==(const TCharSet&, const TCharSet&) = default;

    // Letters and digits, plus the underscore when asked for: the word characters of most languages.
    static constexpr TCharSet Alphanumeric(bool withUnderscore)
    {
        TCharSet s;
        s.IncludeRange('0', '9').IncludeRange('A', 'Z').IncludeRange('a', 'z');
        if (withUnderscore)
            s.Include('_');
        return s;
    }

private:
    std::uint64_t FBits[4] = { 0, 0, 0, 0 };
};

// Colours and font style of one kind of token. The highlighter that creates an attribute owns it
// (through its attribute list); other highlighters may draw with it without owning it.
class THighlighterAttributes : public TPersistent {
public:
    using TChangeHandler = std::function<void(THighlighterAttributes&)>;

    explicit THighlighterAttributes(std::string_view attributeName);

    const char* ClassName() const override { return "THighlighterAttributes"; }
    void Assign(const TPersistent& source) override;
    // Runs ChangeHandler; called after every effective change.
    virtual void Changed();
    // Reads one IDE colour element with the registry positioned at the version's highlight key
    // (see TCustomHighlighter::ImportIdeSchemeUnder); false when the element is missing or
    // incomplete, in which case the attribute may be partly changed and the caller restores it.
    virtual bool ImportIdeColours(TRegistry& registry, std::string_view element, bool oldLayout);

    const std::string& AttributeName() const { return FAttributeName; }

    TColor Background() const { return FBackground; }
    TColor Foreground() const { return FForeground; }
    TFontStyles Style() const { return FStyle; }
    void SetBackground(TColor value);
    void SetForeground(TColor value);
    void SetStyle(TFontStyles value);
    // Sets both colours and the style with at most one notification.
    void SetColors(TColor foreground, TColor background, TFontStyles style);

    TColor BackgroundDefault() const { return FBackgroundDefault; }
    TColor ForegroundDefault() const { return FForegroundDefault; }
    TFontStyles StyleDefault() const { return FStyleDefault; }
    // A property is stored with its owner only when it differs from the snapshot taken when the
    // owning highlighter finished construction.
    bool BackgroundStored() const { return FBackground != FBackgroundDefault; }
    bool ForegroundStored() const { return FForeground != FForegroundDefault; }
    bool StyleStored() const { return FStyle != FStyleDefault; }
    void SaveDefaultValues();

    const TChangeHandler& ChangeHandler() const { return FChangeHandler; }
    void SetChangeHandler(TChangeHandler handler) { FChangeHandler = std::move(handler); }

    // Registry storage of one attribute with the registry positioned at the parent key: the
    // subkey named after AttributeName holds "Background", "Foreground" and "Style". Both leave
    // the registry at the key they found it at.
    bool LoadFromRegistry(TRegistry& registry);
    bool SaveToRegistry(TRegistry& registry) const;

private:
    TColor FBackground = clNone;
    TColor FBackgroundDefault = clNone;
    TColor FForeground = clNone;
    TColor FForegroundDefault = clNone;
    std::string FAttributeName;
    TFontStyles FStyle = 0;
    TFontStyles FStyleDefault = 0;
    TChangeHandler FChangeHandler;
};

// A published attribute property (CommentAttri, KeyAttri, ...). It starts out pointing at the
// highlighter's own attribute; Set re-points it at any attribute object, typically one owned by
// another highlighter, without copying, and Set(nullptr) points it back at the own one (drawing
// with no attribute object at all is never wanted). The own attribute stays in the attribute list
// either way, so counting, Assign and the registry still see it. Whoever re-points must keep the
// other highlighter alive for as long as this one draws.
//
// Pattern for a language highlighter:
//     TAttributeRef FCommentAttri;                                     // member
//     FCommentAttri.Bind(AddAttribute("Comment"));                      // constructor
//     THighlighterAttributes* CommentAttri() const { return FCommentAttri; }
//     void SetCommentAttri(THighlighterAttributes* a) { FCommentAttri.Set(a); }
//     ... AttributeOfToken: return FCommentAttri;                      // one pointer load
class TAttributeRef {
public:
    void Bind(THighlighterAttributes* own)
    {
        FOwn = own;
        FCurrent = own;
    }
    void Set(THighlighterAttributes* attribute) { FCurrent = attribute ? attribute : FOwn; }
    THighlighterAttributes* Get() const { return FCurrent; }
    THighlighterAttributes* Own() const { return FOwn; }
    bool IsShared() const { return FCurrent != FOwn; }
    operator THighlighterAttributes*() const { return FCurrent; }
    THighlighterAttributes* operator->() const { return FCurrent; }

private:
    THighlighterAttributes* FOwn = nullptr;
    THighlighterAttributes* FCurrent = nullptr;
};

// Arguments of StandardAttribute.
enum THighlighterStandardKind : int {
    sakComment = 0,
    sakIdentifier = 1,
    sakKeyword = 2,
    sakString = 3,
    sakWhitespace = 4,
};

// FeatureFlags bits.
enum THighlighterFeature : unsigned {
    hcImportIdeScheme = 1, // can import an IDE colour scheme
    hcRegistry = 2, // can save and load its attributes in the registry
};

// One element of an IDE colour scheme and the attribute that takes its colours.
struct TIdeImportElement {
    THighlighterAttributes* Attribute;
    std::string_view Element;
};

// The abstract highlighter: an attribute set plus a line scanner.
//
// Scanner contract, relied on by the editor and the print engine: RestoreRange(start range of the
// line), StartLine(text, lineIndex) which scans the first token at once, then while !AtLineEnd()
// read TokenStart/TokenText/KindOfToken/AttributeOfToken and Advance. Tokens are contiguous and
// cover the whole line (text.size() bytes; NUL bytes are ordinary bytes and the view need not be
// terminated); no token reports line end while bytes remain. Afterwards CurrentRange is the start
// range of the next line and depends only on the start range and the text. The text must stay
// unchanged until the line is finished.
//
// The base keeps the per-line scanner state that every language needs (line, position, token
// start, token kind, line index) so that TokenText, TokenStart and KindOfToken need no override;
// languages keep their own range. Scanning must not allocate: a language implements its byte loop
// in non-virtual members, marks its class final and overrides ScanToLineEnd with a loop over its
// own non-virtual Next, so that a full rescan makes no virtual call per token. Inside a byte loop,
// advance a local copy of FRun and store it once at the end: the line's bytes are char, which may
// alias any field of the scanner, so a loop that advances FRun itself writes it back to memory on
// every byte (that alone made the HTML scanner half as fast, depending on where objects landed).
class TCustomHighlighter : public TPersistent {
public:
    using TAttributeChangeEvent = std::function<void(TCustomHighlighter&)>;

    TCustomHighlighter();
    ~TCustomHighlighter() override;
    TCustomHighlighter(const TCustomHighlighter&) = delete;
    TCustomHighlighter& operator=(const TCustomHighlighter&) = delete;

    const char* ClassName() const override { return "TCustomHighlighter"; }
    // Each own attribute takes the values of every source attribute with the same name
    // (case-sensitive); ExampleText follows when the source is of the same class.
    void Assign(const TPersistent& source) override;

    // The component name the owning window knows it by (e.g. "CppHighlighter1").
    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }

    // --- attributes -------------------------------------------------------------------------
    virtual int AttributeCount() const;
    // Position i of the list sorted by name (case-insensitive); nullptr outside 0..count-1.
    virtual THighlighterAttributes* AttributeByIndex(int index) const;
    // kind: THighlighterStandardKind; nullptr when the language has no such attribute.
    virtual THighlighterAttributes* StandardAttribute(int kind) const = 0;
    // What StandardAttribute answers in every language: the attribute standing for each kind, or
    // none where the language has no such attribute.
    static THighlighterAttributes* PickStandardAttribute(int kind, THighlighterAttributes* comment,
        THighlighterAttributes* identifier, THighlighterAttributes* keyword, THighlighterAttributes* string,
        THighlighterAttributes* whitespace)
    {
        switch (kind) {
        case sakComment:
            return comment;
        case sakIdentifier:
            return identifier;
        case sakKeyword:
            return keyword;
        case sakString:
            return string;
        case sakWhitespace:
            return whitespace;
        default:
            return nullptr;
        }
    }
    virtual const std::string& DefaultFilter() const;
    virtual TCharSet WordChars() const;
    virtual std::string ExampleText() const;
    virtual bool DefaultFilterStored() const;
    virtual void SetDefaultFilter(std::string_view value);
    virtual void SetExampleText(std::string_view value);
    virtual unsigned FeatureFlags() const;
    virtual std::string_view LanguageTitle() const;

    // --- line scanner -------------------------------------------------------------------------
    virtual bool AtLineEnd() const = 0;
    virtual TRangeState CurrentRange() const;
    // Empty at the line-end token.
    virtual std::string_view TokenText() const;
    virtual THighlighterAttributes* AttributeOfToken() const = 0;
    virtual int KindOfToken() const;
    virtual std::size_t TokenStart() const;
    virtual bool KnowsKeyword(std::string_view word) const;
    virtual void Advance() = 0;
    virtual void StartLine(std::string_view text, int lineIndex) = 0;
    // A value the language never produces must still leave the scanner in a state from which
    // every line scans to its end; languages map such values to their initial range.
    virtual void RestoreRange(TRangeState value);
    virtual void ClearRange();
    // Calls Advance until AtLineEnd; does nothing on a line already at its end.
    virtual void ScanToLineEnd();

    // --- colour import and registry -----------------------------------------------------------
    virtual bool ImportIdeScheme(IRegistryStore& registry, int index);
    virtual void ListIdeVersions(IRegistryStore& registry, std::vector<std::string>& list);
    virtual bool ReadAttributesFromRegistry(IRegistryStore& registry, TRootKey rootKey, std::string_view key);
    virtual bool WriteAttributesToRegistry(IRegistryStore& registry, TRootKey rootKey, std::string_view key);

    // The colours the main window's stored design gives this highlighter; a highlighter as
    // constructed has its constructor defaults. The main window calls this once after creating
    // it, before the settings file is read.
    virtual void ApplyDesignValues();

    // --- attribute list and change chain -------------------------------------------------------
    // Inserts under the attribute's name and takes ownership; a duplicate name raises
    // EQuillException and the attribute is destroyed.
    THighlighterAttributes* AddAttribute(std::unique_ptr<THighlighterAttributes> attribute);
    THighlighterAttributes* AddAttribute(std::string_view attributeName);
    // Own attribute by name (exact, case-sensitive); nullptr when absent.
    THighlighterAttributes* AttributeByName(std::string_view attributeName) const;
    // Routes every attribute's changes to NotifyAttributeChange and snapshots the defaults;
    // each language calls it once, at the end of its constructor.
    void BindAttributeChanges();
    void NotifyAttributeChange();
    // Subscribers are identified by an owner pointer (typically the editor); hooking an owner
    // that is already subscribed replaces its callback in place. Hooking and unhooking from
    // inside a notification is safe: an owner unhooked during a notification is not called again.
    void HookAttributeChange(const void* owner, TAttributeChangeEvent callback);
    void UnhookAttributeChange(const void* owner);
    bool IsAttributeChangeHooked(const void* owner) const;

protected:
    // Stores the line and resets the per-line state; a language's StartLine calls this and then
    // scans the first token.
    void SetLine(std::string_view text, int lineIndex)
    {
        FLine = text.data();
        FLineLen = text.size();
        FRun = 0;
        FTokenPos = 0;
        FLineIndex = lineIndex;
    }

    // Shared IDE colour import. Versions are the subkey names of ideKey under the machine root;
    // version v's colours live under the user root at ideKey\v\Highlight. elementsFor returns,
    // for a version name, whether it uses the older layout and the elements to read in order.
    void ListIdeVersionsUnder(IRegistryStore& registry, std::string_view ideKey, std::vector<std::string>& list);
    bool ImportIdeSchemeUnder(IRegistryStore& registry, std::string_view ideKey, int index,
        const std::function<bool(std::string_view version, std::vector<TIdeImportElement>& elements)>& elementsFor);

    const char* FLine = nullptr;
    std::size_t FLineLen = 0;
    std::size_t FRun = 0;
    std::size_t FTokenPos = 0;
    int FTokenKind = 0;
    int FLineIndex = 0;

private:
    struct TSubscriber {
        const void* Owner;
        TAttributeChangeEvent Callback;
    };

    std::vector<std::pair<std::string, std::unique_ptr<THighlighterAttributes>>> FAttributes;
    std::vector<TSubscriber> FAttributeChangeChain;
    int FNotifyDepth = 0;
    bool FChainHasHoles = false;
    std::string FDefaultFilter;
    std::string FName;
};

// Case-insensitive ASCII comparison used for attribute names, registry names and the like.
int CompareTextAscii(std::string_view a, std::string_view b);

} // namespace quillan
