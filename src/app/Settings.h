#pragma once

#include "base/QuillEditTypes.h"

#include <string>

namespace quillan {

class ISettingsStore;
class TCppHighlighter;
class TPasHighlighter;
class THTMLHighlighter;
class TDfmHighlighter;

// "General"/"CheckSum": 5 until the program has once been closed normally.
inline constexpr int FirstRunMarker = 5;
inline constexpr int NormalExitMarker = 10;
// The recent list's capacity is kept within these bounds wherever it is set.
inline constexpr int MinRecentCapacity = 1;
inline constexpr int MaxRecentCapacity = 100;

int ClampRecentCapacity(int capacity);

// Foreground colours of the highlighters' attributes, as the settings file stores them, with the
// colours the program ships with. Colours are 0x00BBGGRR.
struct TCppColours {
    TColor Asm = 0;
    TColor Comment = 0x800000; // navy
    TColor Direc = 0x008000; // green
    TColor Ident = 0;
    TColor Invalid = 0xFF00FF; // fuchsia
    TColor Key = 0;
    TColor Number = 0;
    TColor String = 0xFF0000; // blue
    TColor Symbol = 0x0000FF; // red
};

struct TPasColours {
    TColor Asm = 0x008000;
    TColor Comment = 0x800000;
    TColor Ident = 0x808000; // teal
    TColor Key = 0;
    TColor Number = 0x800080; // purple
    TColor String = 0xFF0000;
    TColor Symbol = 0x0000FF;
};

struct THTMLColours {
    TColor And = 0x0080FF; // orange
    TColor Comment = 0x800000;
    TColor Ident = 0;
    TColor Key = 0xFF0080;
    TColor Symbol = 0x0000FF;
    TColor Text = 0;
    TColor Undef = 0x0000FF;
    TColor Value = 0xFF8000;
};

// Everything "Quillan.ini" holds apart from the recent list, with the values the program uses
// when a key is missing. The main window reads it once while it is created and writes it once
// when it closes; in between the window and the options dialog change these values, and the
// window fills in its own state (placement, maximised) before writing.
struct TSettings {
    // "General"
    int CheckSum = FirstRunMarker;
    bool Max = false;
    int Top = 200;
    int Left = 190;
    int Width = 608;
    int Height = 460;
    int MaxFiles = 15; // the recent list's capacity

    // "Tray"
    bool TrayEnabled = true;
    bool MinToTray = false;
    bool TrayAlways = false;

    // "CPP", "Pascal", "HTML"
    TCppColours Cpp;
    TPasColours Pascal;
    THTMLColours HTML;

    // "RichEdit": the editors' font and background
    TColor FontColour = 0;
    std::string FontName = "Courier New";
    int FontSize = 10;
    TColor BackgroundColour = 0xFFFFFF;
    bool ShowLines = true; // new editors show line numbers

    bool FirstRun() const { return CheckSum == FirstRunMarker; }

    // Missing keys and values that are not numbers keep the defaults above. The window's
    // placement is read only when it was not maximised; "Always" only when the tray icon is
    // enabled (otherwise it is false); the capacity is kept within 1..100.
    void Read(const ISettingsStore& store);
    // Writes every key in the order the program always has, "CheckSum" as 10 (a normal exit);
    // when maximised only "Max"=1 is written, so the last normal placement stays in the file.
    // The recent list writes its own keys afterwards. Returns false when a value could not be
    // stored (a font name with a line break).
    bool Write(ISettingsStore& store) const;

    // Copies the colours onto the highlighters' attributes, and back.
    void ApplyColours(TCppHighlighter& cpp, TPasHighlighter& pas, THTMLHighlighter& html) const;
    void CaptureColours(const TCppHighlighter& cpp, const TPasHighlighter& pas, const THTMLHighlighter& html);
};

// Points the form highlighter's comment, identifier, key, number and string attributes at the
// Pascal highlighter's own objects, so form files always show the Pascal colours; changing a
// Pascal colour changes them at once. The Pascal highlighter must outlive the form highlighter's
// use of them.
void ShareFormAttributes(TDfmHighlighter& dfm, TPasHighlighter& pas);

} // namespace quillan
