#include "print/QuillEditPageSetup.h"

#include "print/QuillEditPrint.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace quillan {

namespace {

using TGetter = double (TQuillEditPrintMargins::*)() const;
using TSetter = void (TQuillEditPrintMargins::*)(double);

struct TMarginAccess {
    TMarginField Field;
    TGetter Get;
    TSetter Set;
};

// In reading order; a bad field stops the reading there.
constexpr TMarginAccess ReadOrder[] = {
    { mfLeft, &TQuillEditPrintMargins::Left, &TQuillEditPrintMargins::SetLeft },
    { mfRight, &TQuillEditPrintMargins::Right, &TQuillEditPrintMargins::SetRight },
    { mfTop, &TQuillEditPrintMargins::Top, &TQuillEditPrintMargins::SetTop },
    { mfBottom, &TQuillEditPrintMargins::Bottom, &TQuillEditPrintMargins::SetBottom },
    { mfGutter, &TQuillEditPrintMargins::Gutter, &TQuillEditPrintMargins::SetGutter },
    { mfHeader, &TQuillEditPrintMargins::Header, &TQuillEditPrintMargins::SetHeader },
    { mfFooter, &TQuillEditPrintMargins::Footer, &TQuillEditPrintMargins::SetFooter },
    { mfLeftHFTextIndent, &TQuillEditPrintMargins::LeftHFTextIndent, &TQuillEditPrintMargins::SetLeftHFTextIndent },
    { mfRightHFTextIndent, &TQuillEditPrintMargins::RightHFTextIndent, &TQuillEditPrintMargins::SetRightHFTextIndent },
    { mfHFInternalMargin, &TQuillEditPrintMargins::HFInternalMargin, &TQuillEditPrintMargins::SetHFInternalMargin },
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

void LoadBand(THeaderFooter& source, TPageSetupBand& band, TFrameTypes lineBit)
{
    for (auto& field : band.Fields)
        field.clear();
    band.DefaultFont = source.DefaultFont();
    const TFrameTypes frames = source.FrameTypes();
    band.Line = (frames & lineBit) != 0;
    band.Box = (frames & ftBox) != 0;
    band.Shadow = (frames & ftShaded) != 0;
    band.LineColor = source.LineColor();
    band.ShadedColor = source.ShadedColor();
    band.MirrorPosition = source.MirrorPosition();
    source.RenumberLines();
    for (int i = 0; i < source.Count(); ++i) {
        const THeaderFooterItem& item = *source.Get(i);
        const int field = item.Alignment == THeaderFooterAlign::hfaCenter ? pfCenter
            : item.Alignment == THeaderFooterAlign::hfaRight              ? pfRight
                                                                          : pfLeft;
        band.Fields[static_cast<std::size_t>(field)].push_back({ item.Text, item.Font });
    }
}

void SaveBand(const TPageSetupBand& band, THeaderFooter& target, TFrameTypes lineBit)
{
    TFrameTypes frames = 0;
    if (band.Line)
        frames |= lineBit;
    if (band.Box)
        frames |= ftBox;
    if (band.Shadow)
        frames |= ftShaded;
    target.SetFrameTypes(frames);
    target.SetLineColor(band.LineColor);
    target.SetShadedColor(band.ShadedColor);
    target.SetMirrorPosition(band.MirrorPosition);
    target.Clear();
    constexpr THeaderFooterAlign alignments[]
        = { THeaderFooterAlign::hfaLeft, THeaderFooterAlign::hfaCenter, THeaderFooterAlign::hfaRight };
    for (std::size_t f = 0; f < band.Fields.size(); ++f) {
        const auto& lines = band.Fields[f];
        for (std::size_t i = 0; i < lines.size(); ++i)
            target.Add(lines[i].Text, &lines[i].Font, alignments[f], static_cast<int>(i) + 1);
    }
}

} // namespace

std::string FormatLength(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    // The C library follows the locale; fields always use the point.
    for (char* c = text; *c; ++c)
        if (*c == ',')
            *c = '.';
    return text;
}

bool ParseLength(std::string_view text, double& value)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    double parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

TMarginTexts ShowMargins(const TQuillEditPrintMargins& margins)
{
    TMarginTexts texts;
    for (const TMarginAccess& a : ReadOrder)
        texts[static_cast<std::size_t>(a.Field)] = FormatLength((margins.*a.Get)());
    return texts;
}

int ReadMargins(const TMarginTexts& fields, TQuillEditPrintMargins& margins)
{
    for (const TMarginAccess& a : ReadOrder) {
        double value = 0;
        if (!ParseLength(fields[static_cast<std::size_t>(a.Field)], value))
            return a.Field;
        (margins.*a.Set)(value);
    }
    return -1;
}

int ChangeUnit(TMarginTexts& fields, TQuillEditPrintMargins& working, TUnitSystem to)
{
    const int bad = ReadMargins(fields, working);
    working.SetUnitSystem(to);
    fields = ShowMargins(working);
    return bad;
}

TPageSetupData LoadPageSetup(TQuillEditPrint& engine)
{
    TPageSetupData data;
    data.Margins.Assign(engine.Margins());
    data.Options
        = { engine.LineNumbers(), engine.LineNumbersInMargin(), engine.Highlight(), engine.Colors(), engine.Wrap() };
    LoadBand(engine.Header(), data.Header, ftLine);
    LoadBand(engine.Footer(), data.Footer, ftLine);
    return data;
}

void SavePageSetup(const TPageSetupData& data, TQuillEditPrint& engine)
{
    engine.Margins().Assign(data.Margins);
    engine.SetLineNumbers(data.Options.LineNumbers);
    engine.SetLineNumbersInMargin(data.Options.LineNumbersInMargin);
    engine.SetHighlight(data.Options.Highlight);
    engine.SetColors(data.Options.Colors);
    engine.SetWrap(data.Options.Wrap);
    SaveBand(data.Header, engine.Header(), ftLine);
    SaveBand(data.Footer, engine.Footer(), ftLine);
}

} // namespace quillan
