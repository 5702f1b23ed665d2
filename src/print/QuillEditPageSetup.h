#pragma once

#include "ports/Canvas.h"
#include "print/QuillEditPrintMargins.h"
#include "print/QuillEditPrintTypes.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

class TQuillEditPrint;
class THeaderFooter;

inline constexpr const char* SInvalidNumber = "Invalid number!";

// What the page setup dialog edits, without the dialog: the margins with their unit, the printing
// options and the two bands, whose items appear as lines of three fields (left, centre, right),
// each line with its own font.
struct TPageSetupLine {
    std::string Text;
    TFontSpec Font;
    friend bool operator==(const TPageSetupLine&, const TPageSetupLine&) = default;
};

enum TPageSetupField : int { pfLeft = 0, pfCenter = 1, pfRight = 2 };

struct TPageSetupBand {
    std::array<std::vector<TPageSetupLine>, 3> Fields; // by TPageSetupField
    TFontSpec DefaultFont;
    bool Line = false; // "Line under" for the header, "Line above" for the footer
    bool Box = false;
    bool Shadow = false;
    TColor LineColor = PrintBlack;
    TColor ShadedColor = 0xC0C0C0;
    bool MirrorPosition = false;
};

struct TPageSetupOptions {
    bool LineNumbers = false;
    bool LineNumbersInMargin = false;
    bool Highlight = false;
    bool Colors = false;
    bool Wrap = false;
    friend bool operator==(const TPageSetupOptions&, const TPageSetupOptions&) = default;
};

// The length fields in the order the dialog shows them.
enum TMarginField : int {
    mfLeft,
    mfRight,
    mfTop,
    mfBottom,
    mfHeader,
    mfFooter,
    mfHFInternalMargin,
    mfLeftHFTextIndent,
    mfRightHFTextIndent,
    mfGutter,
    MarginFieldCount
};
using TMarginTexts = std::array<std::string, MarginFieldCount>;

// A length as a field shows it: the shortest general decimal form with up to 15 significant
// digits ("25", "0.984251968503937").
std::string FormatLength(double value);
// A field's text as a length: a decimal number, blanks around it allowed. False for anything else,
// infinities and NaN included.
bool ParseLength(std::string_view text, double& value);

// The margins' lengths in their own unit, as the fields show them.
TMarginTexts ShowMargins(const TQuillEditPrintMargins& margins);
// Reads the fields into `margins` (in its unit) in the order Left, Right, Top, Bottom, Gutter,
// Header, Footer, LeftHFTextIndent, RightHFTextIndent, HFInternalMargin. Stops at the first field
// that is not a number and returns it; the fields before it are stored. -1 when all were read.
int ReadMargins(const TMarginTexts& fields, TQuillEditPrintMargins& margins);
// The unit list's change: `fields` were shown in `working`'s unit; they are read into it, the unit
// becomes `to` and the fields show the same lengths in it. A field that is not a number keeps its
// previous length (converted); its index is returned, else -1.
int ChangeUnit(TMarginTexts& fields, TQuillEditPrintMargins& working, TUnitSystem to);

struct TPageSetupData {
    TQuillEditPrintMargins Margins;
    TPageSetupOptions Options;
    TPageSetupBand Header;
    TPageSetupBand Footer;
};

// The dialog's LoadFromEngine: the engine's bands are renumbered first (as a print does), then each
// item becomes the next line of the field of its alignment, in list order.
TPageSetupData LoadPageSetup(TQuillEditPrint& engine);
// The dialog's SaveToEngine: margins, options and frames, then each band's items rebuilt from the
// fields: left, centre, right, one item per line (empty lines too, so they keep their place), line
// number = the line's position in its field.
void SavePageSetup(const TPageSetupData& data, TQuillEditPrint& engine);

} // namespace quillan
