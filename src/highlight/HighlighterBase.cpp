#include "highlight/HighlighterBase.h"

#include <algorithm>
#include <charconv>
#include <typeinfo>

namespace quillan {

int CompareTextAscii(std::string_view a, std::string_view b)
{
    auto fold = [](unsigned char c) -> unsigned char { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = fold(static_cast<unsigned char>(a[i]));
        const unsigned char cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// --- TPersistent --------------------------------------------------------------------------------

void TPersistent::Assign(const TPersistent& source)
{
    AssignError(source);
}

void TPersistent::AssignError(const TPersistent& source) const
{
    throw EConvertError(FormatMessage(SCannotAssign, { source.ClassName(), ClassName() }));
}

// --- THighlighterAttributes ---------------------------------------------------------------------

THighlighterAttributes::THighlighterAttributes(std::string_view attributeName)
    : FAttributeName(attributeName)
{
}

void THighlighterAttributes::Assign(const TPersistent& source)
{
    const auto* src = dynamic_cast<const THighlighterAttributes*>(&source);
    if (!src)
        AssignError(source);
    if (src == this)
        return;
    FAttributeName = src->FAttributeName;
    SetColors(src->FForeground, src->FBackground, src->FStyle);
}

void THighlighterAttributes::Changed()
{
    if (FChangeHandler)
        FChangeHandler(*this);
}

void THighlighterAttributes::SetBackground(TColor value)
{
    if (FBackground != value) {
        FBackground = value;
        Changed();
    }
}

void THighlighterAttributes::SetForeground(TColor value)
{
    if (FForeground != value) {
        FForeground = value;
        Changed();
    }
}

void THighlighterAttributes::SetStyle(TFontStyles value)
{
    if (FStyle != value) {
        FStyle = value;
        Changed();
    }
}

void THighlighterAttributes::SetColors(TColor foreground, TColor background, TFontStyles style)
{
    const bool changed = FForeground != foreground || FBackground != background || FStyle != style;
    FForeground = foreground;
    FBackground = background;
    FStyle = style;
    if (changed)
        Changed();
}

void THighlighterAttributes::SaveDefaultValues()
{
    FBackgroundDefault = FBackground;
    FForegroundDefault = FForeground;
    FStyleDefault = FStyle;
}

bool THighlighterAttributes::LoadFromRegistry(TRegistry& registry)
{
    const std::string parent = registry.CurrentPath();
    if (!registry.OpenKeyReadOnly(FAttributeName))
        return false;
    TColor background = FBackground;
    TColor foreground = FForeground;
    TFontStyles style = FStyle;
    if (auto v = registry.ReadInteger("Background"))
        background = *v;
    if (auto v = registry.ReadInteger("Foreground"))
        foreground = *v;
    if (auto v = registry.ReadInteger("Style"))
        style = static_cast<TFontStyles>(*v & (fsBold | fsItalic | fsUnderline | fsStrikeOut));
    registry.OpenKey("\\" + parent, false);
    SetColors(foreground, background, style);
    return true;
}

bool THighlighterAttributes::SaveToRegistry(TRegistry& registry) const
{
    const std::string parent = registry.CurrentPath();
    if (!registry.OpenKey(FAttributeName, true))
        return false;
    const bool ok = registry.WriteInteger("Background", FBackground) && registry.WriteInteger("Foreground", FForeground)
        && registry.WriteInteger("Style", FStyle);
    registry.OpenKey("\\" + parent, false);
    return ok;
}

namespace {

constexpr TColor IdePalette[16] = {
    0x000000,
    0x000080,
    0x008000,
    0x008080,
    0x800000,
    0x800080,
    0x808000,
    0xC0C0C0,
    0x808080,
    0x0000FF,
    0x00FF00,
    0x00FFFF,
    0xFF0000,
    0xFF00FF,
    0xFFFF00,
    0xFFFFFF,
};

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool PaletteColour(std::string_view text, TColor& colour)
{
    text = Trim(text);
    int index = -1;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (ec != std::errc() || end != text.data() + text.size() || index < 0 || index > 15)
        return false;
    colour = IdePalette[index];
    return true;
}

bool IdeFlag(std::string_view text)
{
    return text != "0" && CompareTextAscii(text, "FALSE") != 0;
}

} // namespace

bool THighlighterAttributes::ImportIdeColours(TRegistry& registry, std::string_view element, bool oldLayout)
{
    bool bold = false, italic = false, underline = false;
    bool defaultFg = false, defaultBg = false;
    TColor fg = clNone, bg = clNone;
    if (oldLayout) {
        std::string name(element);
        std::replace(name.begin(), name.end(), ' ', '_');
        auto value = registry.ReadString(name);
        if (!value)
            return false;
        std::vector<std::string_view> fields;
        std::string_view rest = *value;
        for (;;) {
            const auto comma = rest.find(',');
            fields.push_back(rest.substr(0, comma));
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        if (fields.size() < 7)
            return false;
        for (char c : fields[2]) {
            bold |= c == 'B';
            italic |= c == 'I';
            underline |= c == 'U';
        }
        defaultFg = Trim(fields[3]) == "1";
        defaultBg = Trim(fields[4]) == "1";
        if (!defaultFg && !PaletteColour(fields[5], fg))
            return false;
        if (!defaultBg && !PaletteColour(fields[6], bg))
            return false;
    } else {
        const std::string parent = registry.CurrentPath();
        if (!registry.OpenKeyReadOnly(element))
            return false;
        auto fgIndex = registry.ReadInteger("Foreground Color");
        auto bgIndex = registry.ReadInteger("Background Color");
        auto boldText = registry.ReadString("Bold");
        auto italicText = registry.ReadString("Italic");
        auto underlineText = registry.ReadString("Underline");
        auto defaultFgText = registry.ReadString("Default Foreground");
        auto defaultBgText = registry.ReadString("Default Background");
        registry.OpenKey("\\" + parent, false);
        if (!fgIndex || !bgIndex || !boldText || !italicText || !underlineText || !defaultFgText || !defaultBgText)
            return false;
        bold = IdeFlag(*boldText);
        italic = IdeFlag(*italicText);
        underline = IdeFlag(*underlineText);
        defaultFg = IdeFlag(*defaultFgText);
        defaultBg = IdeFlag(*defaultBgText);
        if (!defaultFg && !PaletteColour(std::to_string(*fgIndex), fg))
            return false;
        if (!defaultBg && !PaletteColour(std::to_string(*bgIndex), bg))
            return false;
    }
    if (defaultFg)
        fg = clWindowText;
    if (defaultBg)
        bg = clWindow;
    TFontStyles style = 0;
    if (bold)
        style |= fsBold;
    if (italic)
        style |= fsItalic;
    if (underline)
        style |= fsUnderline;
    SetColors(fg, bg, style);
    return true;
}

// --- TCustomHighlighter -------------------------------------------------------------------------

TCustomHighlighter::TCustomHighlighter() = default;

TCustomHighlighter::~TCustomHighlighter()
{
    // Attributes shared with other highlighters may outlive us; make sure none calls back.
    for (auto& entry : FAttributes)
        entry.second->SetChangeHandler(nullptr);
}

void TCustomHighlighter::Assign(const TPersistent& source)
{
    const auto* src = dynamic_cast<const TCustomHighlighter*>(&source);
    if (!src)
        AssignError(source);
    if (src == this)
        return;
    const int sourceCount = src->AttributeCount();
    for (auto& entry : FAttributes) {
        THighlighterAttributes& own = *entry.second;
        for (int i = 0; i < sourceCount; ++i) {
            THighlighterAttributes* other = src->AttributeByIndex(i);
            if (other && other->AttributeName() == own.AttributeName())
                own.Assign(*other);
        }
    }
    if (typeid(*src) == typeid(*this))
        SetExampleText(src->ExampleText());
}

int TCustomHighlighter::AttributeCount() const
{
    return static_cast<int>(FAttributes.size());
}

THighlighterAttributes* TCustomHighlighter::AttributeByIndex(int index) const
{
    if (index < 0 || index >= static_cast<int>(FAttributes.size()))
        return nullptr;
    return FAttributes[static_cast<std::size_t>(index)].second.get();
}

const std::string& TCustomHighlighter::DefaultFilter() const
{
    return FDefaultFilter;
}

TCharSet TCustomHighlighter::WordChars() const
{
    return TCharSet().IncludeRange(33, 255);
}

std::string TCustomHighlighter::ExampleText() const
{
    return {};
}

bool TCustomHighlighter::DefaultFilterStored() const
{
    return true;
}

void TCustomHighlighter::SetDefaultFilter(std::string_view value)
{
    FDefaultFilter = value;
}

void TCustomHighlighter::SetExampleText(std::string_view) { }

unsigned TCustomHighlighter::FeatureFlags() const
{
    return hcRegistry;
}

std::string_view TCustomHighlighter::LanguageTitle() const
{
    return "<Unknown>";
}

TRangeState TCustomHighlighter::CurrentRange() const
{
    return 0;
}

std::string_view TCustomHighlighter::TokenText() const
{
    return std::string_view(FLine + FTokenPos, FRun - FTokenPos);
}

int TCustomHighlighter::KindOfToken() const
{
    return FTokenKind;
}

std::size_t TCustomHighlighter::TokenStart() const
{
    return FTokenPos;
}

bool TCustomHighlighter::KnowsKeyword(std::string_view) const
{
    return false;
}

void TCustomHighlighter::RestoreRange(TRangeState) { }

void TCustomHighlighter::ClearRange() { }

void TCustomHighlighter::ScanToLineEnd()
{
    while (!AtLineEnd())
        Advance();
}

bool TCustomHighlighter::ImportIdeScheme(IRegistryStore&, int)
{
    return false;
}

void TCustomHighlighter::ListIdeVersions(IRegistryStore&, std::vector<std::string>& list)
{
    list.clear();
}

bool TCustomHighlighter::ReadAttributesFromRegistry(IRegistryStore& registry, TRootKey rootKey, std::string_view key)
{
    TRegistry reg(registry, rootKey);
    if (!reg.OpenKeyReadOnly(key))
        return false;
    for (auto& entry : FAttributes)
        if (!entry.second->LoadFromRegistry(reg))
            return false;
    return true;
}

bool TCustomHighlighter::WriteAttributesToRegistry(IRegistryStore& registry, TRootKey rootKey, std::string_view key)
{
    TRegistry reg(registry, rootKey);
    if (!reg.OpenKey(key, true))
        return false;
    for (auto& entry : FAttributes)
        if (!entry.second->SaveToRegistry(reg))
            return false;
    return true;
}

void TCustomHighlighter::ApplyDesignValues() { }

THighlighterAttributes* TCustomHighlighter::AddAttribute(std::unique_ptr<THighlighterAttributes> attribute)
{
    const std::string& name = attribute->AttributeName();
    auto pos = std::lower_bound(FAttributes.begin(), FAttributes.end(), name,
        [](const auto& entry, const std::string& n) { return CompareTextAscii(entry.first, n) < 0; });
    if (pos != FAttributes.end() && CompareTextAscii(pos->first, name) == 0)
        throw EQuillException("String list does not allow duplicates");
    THighlighterAttributes* raw = attribute.get();
    FAttributes.emplace(pos, name, std::move(attribute));
    return raw;
}

THighlighterAttributes* TCustomHighlighter::AddAttribute(std::string_view attributeName)
{
    return AddAttribute(std::make_unique<THighlighterAttributes>(attributeName));
}

THighlighterAttributes* TCustomHighlighter::AttributeByName(std::string_view attributeName) const
{
    for (const auto& entry : FAttributes)
        if (entry.second->AttributeName() == attributeName)
            return entry.second.get();
    return nullptr;
}

void TCustomHighlighter::BindAttributeChanges()
{
    for (auto& entry : FAttributes) {
        entry.second->SetChangeHandler([this](THighlighterAttributes&) { NotifyAttributeChange(); });
        entry.second->SaveDefaultValues();
    }
}

void TCustomHighlighter::NotifyAttributeChange()
{
    struct DepthGuard {
        TCustomHighlighter& H;
        explicit DepthGuard(TCustomHighlighter& h)
            : H(h)
        {
            ++H.FNotifyDepth;
        }
        ~DepthGuard()
        {
            if (--H.FNotifyDepth == 0 && H.FChainHasHoles) {
                std::erase_if(H.FAttributeChangeChain, [](const TSubscriber& s) { return !s.Callback; });
                H.FChainHasHoles = false;
            }
        }
    } guard(*this);
    // By index, because a subscriber may hook or unhook while we are calling; the copy keeps the
    // running callback alive if the vector grows under it.
    for (std::size_t i = 0; i < FAttributeChangeChain.size(); ++i) {
        if (!FAttributeChangeChain[i].Callback)
            continue;
        TAttributeChangeEvent callback = FAttributeChangeChain[i].Callback;
        callback(*this);
    }
}

void TCustomHighlighter::HookAttributeChange(const void* owner, TAttributeChangeEvent callback)
{
    if (!callback)
        return;
    for (auto& s : FAttributeChangeChain)
        if (s.Callback && s.Owner == owner) {
            s.Callback = std::move(callback);
            return;
        }
    FAttributeChangeChain.push_back({ owner, std::move(callback) });
}

void TCustomHighlighter::UnhookAttributeChange(const void* owner)
{
    if (FNotifyDepth > 0) {
        for (auto& s : FAttributeChangeChain)
            if (s.Callback && s.Owner == owner) {
                s.Callback = nullptr;
                s.Owner = nullptr;
                FChainHasHoles = true;
            }
        return;
    }
    std::erase_if(FAttributeChangeChain, [owner](const TSubscriber& s) { return s.Owner == owner; });
}

bool TCustomHighlighter::IsAttributeChangeHooked(const void* owner) const
{
    return std::any_of(FAttributeChangeChain.begin(), FAttributeChangeChain.end(),
        [owner](const TSubscriber& s) { return s.Callback && s.Owner == owner; });
}

void TCustomHighlighter::ListIdeVersionsUnder(
    IRegistryStore& registry, std::string_view ideKey, std::vector<std::string>& list)
{
    list.clear();
    TRegistry reg(registry, TRootKey::HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(ideKey))
        reg.GetKeyNames(list);
}

bool TCustomHighlighter::ImportIdeSchemeUnder(IRegistryStore& registry, std::string_view ideKey, int index,
    const std::function<bool(std::string_view version, std::vector<TIdeImportElement>& elements)>& elementsFor)
{
    std::vector<std::string> versions;
    ListIdeVersionsUnder(registry, ideKey, versions);
    if (index < 0 || index >= static_cast<int>(versions.size()))
        return false;

    std::vector<std::pair<THighlighterAttributes*, THighlighterAttributes>> saved;
    saved.reserve(FAttributes.size());
    for (auto& entry : FAttributes) {
        THighlighterAttributes copy(entry.second->AttributeName());
        copy.Assign(*entry.second);
        saved.emplace_back(entry.second.get(), std::move(copy));
    }
    auto restore = [&saved] {
        for (auto& [attribute, copy] : saved)
            attribute->Assign(copy);
    };

    try {
        const std::string& version = versions[static_cast<std::size_t>(index)];
        std::vector<TIdeImportElement> elements;
        const bool oldLayout = elementsFor(version, elements);
        TRegistry reg(registry, TRootKey::HKEY_CURRENT_USER);
        bool ok = reg.OpenKeyReadOnly(std::string(ideKey) + "\\" + version + "\\Highlight");
        for (std::size_t i = 0; ok && i < elements.size(); ++i)
            ok = elements[i].Attribute && elements[i].Attribute->ImportIdeColours(reg, elements[i].Element, oldLayout);
        if (!ok)
            restore();
        return ok;
    } catch (...) {
        restore();
        return false;
    }
}

} // namespace quillan
