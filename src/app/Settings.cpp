#include "app/Settings.h"

#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterDfm.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"
#include "ports/SettingsStore.h"

#include <algorithm>

namespace quillan {

namespace {

constexpr const char* General = "General";
constexpr const char* Tray = "Tray";
constexpr const char* RichEdit = "RichEdit";

// One colour key: where its value lives in the settings and which attribute shows it.
template <class Colours, class Highlighter> struct TColourKey {
    const char* Key;
    TColor Colours::*Value;
    THighlighterAttributes* (Highlighter::*Attribute)() const;
};

// In the order the file has always listed them.
constexpr TColourKey<TCppColours, TCppHighlighter> CppKeys[] = {
    { "ASM", &TCppColours::Asm, &TCppHighlighter::AsmAttri },
    { "Comment", &TCppColours::Comment, &TCppHighlighter::CommentAttri },
    { "Direct", &TCppColours::Direc, &TCppHighlighter::DirecAttri },
    { "Ident", &TCppColours::Ident, &TCppHighlighter::IdentifierAttri },
    { "Invalid", &TCppColours::Invalid, &TCppHighlighter::InvalidAttri },
    { "Key", &TCppColours::Key, &TCppHighlighter::KeyAttri },
    { "Number", &TCppColours::Number, &TCppHighlighter::NumberAttri },
    { "String", &TCppColours::String, &TCppHighlighter::StringAttri },
    { "Symbol", &TCppColours::Symbol, &TCppHighlighter::SymbolAttri },
};

constexpr TColourKey<TPasColours, TPasHighlighter> PasKeys[] = {
    { "ASM", &TPasColours::Asm, &TPasHighlighter::AsmAttri },
    { "Comment", &TPasColours::Comment, &TPasHighlighter::CommentAttri },
    { "Ident", &TPasColours::Ident, &TPasHighlighter::IdentifierAttri },
    { "Key", &TPasColours::Key, &TPasHighlighter::KeyAttri },
    { "Number", &TPasColours::Number, &TPasHighlighter::NumberAttri },
    { "String", &TPasColours::String, &TPasHighlighter::StringAttri },
    { "Symbol", &TPasColours::Symbol, &TPasHighlighter::SymbolAttri },
};

constexpr TColourKey<THTMLColours, THTMLHighlighter> HTMLKeys[] = {
    { "And", &THTMLColours::And, &THTMLHighlighter::AndAttri },
    { "Comment", &THTMLColours::Comment, &THTMLHighlighter::CommentAttri },
    { "Ident", &THTMLColours::Ident, &THTMLHighlighter::IdentifierAttri },
    { "Key", &THTMLColours::Key, &THTMLHighlighter::KeyAttri },
    { "Symbol", &THTMLColours::Symbol, &THTMLHighlighter::SymbolAttri },
    { "Text", &THTMLColours::Text, &THTMLHighlighter::TextAttri },
    { "Undef", &THTMLColours::Undef, &THTMLHighlighter::UndefKeyAttri },
    { "Value", &THTMLColours::Value, &THTMLHighlighter::ValueAttri },
};

template <class Colours, class Highlighter, std::size_t N>
void ReadColours(
    const ISettingsStore& ini, const char* section, const TColourKey<Colours, Highlighter> (&keys)[N], Colours& colours)
{
    for (const auto& key : keys)
        colours.*key.Value = ini.ReadInteger(section, key.Key, colours.*key.Value);
}

template <class Colours, class Highlighter, std::size_t N>
void WriteColours(
    ISettingsStore& ini, const char* section, const TColourKey<Colours, Highlighter> (&keys)[N], const Colours& colours)
{
    for (const auto& key : keys)
        ini.WriteInteger(section, key.Key, colours.*key.Value);
}

template <class Colours, class Highlighter, std::size_t N>
void ApplyKeys(const TColourKey<Colours, Highlighter> (&keys)[N], const Colours& colours, Highlighter& highlighter)
{
    for (const auto& key : keys)
        (highlighter.*key.Attribute)()->SetForeground(colours.*key.Value);
}

template <class Colours, class Highlighter, std::size_t N>
void CaptureKeys(const TColourKey<Colours, Highlighter> (&keys)[N], Colours& colours, const Highlighter& highlighter)
{
    for (const auto& key : keys)
        colours.*key.Value = (highlighter.*key.Attribute)()->Foreground();
}

} // namespace

int ClampRecentCapacity(int capacity)
{
    return std::clamp(capacity, MinRecentCapacity, MaxRecentCapacity);
}

void TSettings::Read(const ISettingsStore& ini)
{
    CheckSum = ini.ReadInteger(General, "CheckSum", CheckSum);

    TrayEnabled = ini.ReadBool(Tray, "Enabled", TrayEnabled);
    MinToTray = ini.ReadBool(Tray, "MinToTray", MinToTray);
    // With the icon disabled "Always" is off whatever the file says; writing it back then
    // stores the 0 the user sees in effect.
    TrayAlways = TrayEnabled && ini.ReadBool(Tray, "Always", TrayAlways);

    Max = ini.ReadBool(General, "Max", Max);
    if (!Max) {
        Top = ini.ReadInteger(General, "Top", Top);
        Left = ini.ReadInteger(General, "Left", Left);
        Width = ini.ReadInteger(General, "Width", Width);
        Height = ini.ReadInteger(General, "Height", Height);
    }
    // The options dialog never stores a capacity outside 1..100; one edited by hand would make
    // the recent list drop entries at impossible positions.
    MaxFiles = ClampRecentCapacity(ini.ReadInteger(General, "MaxFiles", MaxFiles));

    ReadColours(ini, "CPP", CppKeys, Cpp);
    ReadColours(ini, "Pascal", PasKeys, Pascal);
    ReadColours(ini, "HTML", HTMLKeys, HTML);

    FontColour = ini.ReadInteger(RichEdit, "Colour", FontColour);
    FontName = ini.ReadString(RichEdit, "Name", FontName);
    FontSize = ini.ReadInteger(RichEdit, "Size", FontSize);
    BackgroundColour = ini.ReadInteger(RichEdit, "RichColour", BackgroundColour);
    ShowLines = ini.ReadBool(RichEdit, "ShowLines", ShowLines);
}

bool TSettings::Write(ISettingsStore& ini) const
{
    ini.WriteBool(Tray, "Enabled", TrayEnabled);
    ini.WriteBool(Tray, "MinToTray", MinToTray);
    ini.WriteBool(Tray, "Always", TrayAlways);

    ini.WriteBool(General, "Max", Max);
    if (!Max) {
        ini.WriteInteger(General, "Top", Top);
        ini.WriteInteger(General, "Left", Left);
        ini.WriteInteger(General, "Width", Width);
        ini.WriteInteger(General, "Height", Height);
    }
    ini.WriteInteger(General, "MaxFiles", MaxFiles);

    WriteColours(ini, "CPP", CppKeys, Cpp);
    WriteColours(ini, "Pascal", PasKeys, Pascal);
    WriteColours(ini, "HTML", HTMLKeys, HTML);

    const bool nameStored = ini.WriteString(RichEdit, "Name", FontName);
    ini.WriteInteger(RichEdit, "Size", FontSize);
    ini.WriteInteger(RichEdit, "Colour", FontColour);
    ini.WriteBool(RichEdit, "ShowLines", ShowLines);
    ini.WriteInteger(RichEdit, "RichColour", BackgroundColour);

    ini.WriteInteger(General, "CheckSum", NormalExitMarker);
    return nameStored;
}

void TSettings::ApplyColours(TCppHighlighter& cpp, TPasHighlighter& pas, THTMLHighlighter& html) const
{
    ApplyKeys(CppKeys, Cpp, cpp);
    ApplyKeys(PasKeys, Pascal, pas);
    ApplyKeys(HTMLKeys, HTML, html);
}

void TSettings::CaptureColours(const TCppHighlighter& cpp, const TPasHighlighter& pas, const THTMLHighlighter& html)
{
    CaptureKeys(CppKeys, Cpp, cpp);
    CaptureKeys(PasKeys, Pascal, pas);
    CaptureKeys(HTMLKeys, HTML, html);
}

void ShareFormAttributes(TDfmHighlighter& dfm, TPasHighlighter& pas)
{
    dfm.SetCommentAttri(pas.CommentAttri());
    dfm.SetIdentifierAttri(pas.IdentifierAttri());
    dfm.SetKeyAttri(pas.KeyAttri());
    dfm.SetNumberAttri(pas.NumberAttri());
    dfm.SetStringAttri(pas.StringAttri());
}

} // namespace quillan
