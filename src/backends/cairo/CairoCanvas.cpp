#include "backends/cairo/CairoCanvas.h"

#include "ports/Image.h"

#include <algorithm>
#include <cairo.h>
#include <climits>
#include <cmath>
#include <pango/pangocairo.h>

namespace quillan {

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0 when none starts there.
std::size_t SequenceAt(std::string_view s, std::size_t i)
{
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80)
        return 1;
    std::size_t n = c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    auto c1 = static_cast<unsigned char>(s[i + 1]);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

bool IsPlainAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return c >= 0x20 && c < 0x7F;
    });
}

int UnitsToPixels(long long units)
{
    // Half a pixel up, the same for every measurement so that equal texts measure equal.
    long long px = (units + PANGO_SCALE / 2) / PANGO_SCALE;
    if (units < 0)
        px = -((-units + PANGO_SCALE / 2) / PANGO_SCALE);
    return static_cast<int>(std::clamp<long long>(px, INT_MIN / 2, INT_MAX / 2));
}

// Windows' default system colours by index, as 0xRRGGBB.
constexpr unsigned SystemColors[]
    = { 0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
          0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969,
          0xE3E3E3, 0x000000, 0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0 };

} // namespace

void ColorToRGB(TColor color, int& r, int& g, int& b)
{
    auto value = static_cast<std::uint32_t>(color);
    if ((value & 0xFF000000u) == 0x80000000u) {
        std::uint32_t index = value & 0xFFFFFFu;
        unsigned rgb = index < std::size(SystemColors) ? SystemColors[index] : 0;
        r = static_cast<int>((rgb >> 16) & 0xFF);
        g = static_cast<int>((rgb >> 8) & 0xFF);
        b = static_cast<int>(rgb & 0xFF);
        return;
    }
    if (color == clNone) {
        r = g = b = 0;
        return;
    }
    r = static_cast<int>(value & 0xFF);
    g = static_cast<int>((value >> 8) & 0xFF);
    b = static_cast<int>((value >> 16) & 0xFF);
}

struct TCairoCanvas::TFontEntry {
    PangoFontDescription* Desc = nullptr;
    PangoAttrList* Plain = nullptr; // no kerning, no ligatures
    PangoAttrList* Decorated = nullptr; // the same plus underline and strike-out
    TTextMetrics Metrics;
    TFontStyles Style = 0;
    int Ascii[128] = {}; // advances in pango units of the characters 0x20..0x7E
    double UnderlinePos = 0; // pixels above the baseline (negative: below)
    double UnderlineThickness = 1;
    double StrikePos = 0;
    double StrikeThickness = 1;

    ~TFontEntry()
    {
        if (Desc)
            pango_font_description_free(Desc);
        if (Plain)
            pango_attr_list_unref(Plain);
        if (Decorated)
            pango_attr_list_unref(Decorated);
    }
};

TCairoCanvas::TCairoCanvas(cairo_t* cr)
{
    FContext = pango_font_map_create_context(pango_cairo_font_map_get_default());
    cairo_font_options_t* options = cairo_font_options_create();
    // Hinting would snap advances to the device grid, and a page would then measure differently
    // on paper and in a preview at another scale.
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(FContext, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(FContext, 72);
    pango_context_set_round_glyph_positions(FContext, FALSE);
    pango_context_set_base_dir(FContext, PANGO_DIRECTION_LTR);
    FLayout = pango_layout_new(FContext);
    pango_layout_set_single_paragraph_mode(FLayout, TRUE);
    Bind(cr);
}

TCairoCanvas::~TCairoCanvas()
{
    FFonts.clear();
    g_object_unref(FLayout);
    g_object_unref(FContext);
}

void TCairoCanvas::Bind(cairo_t* cr)
{
    FCr = cr;
    FSaved.clear();
    FState = TState {};
    if (FCr) {
        cairo_matrix_t m;
        cairo_get_matrix(FCr, &m);
        FBase[0] = m.xx;
        FBase[1] = m.yx;
        FBase[2] = m.xy;
        FBase[3] = m.yy;
        FBase[4] = m.x0;
        FBase[5] = m.y0;
    }
}

TCairoCanvas::TFontEntry* TCairoCanvas::MakeFont(const TFontSpec& font)
{
    const int pixels = std::max(font.PixelHeight(), 1);
    std::string key = font.Name + '\n' + std::to_string(pixels) + '\n'
        + std::to_string(font.Style & (fsBold | fsItalic | fsUnderline | fsStrikeOut));
    auto it = FFonts.find(key);
    if (it != FFonts.end())
        return it->second.get();

    auto entry = std::make_unique<TFontEntry>();
    entry->Style = font.Style;
    entry->Desc = pango_font_description_new();
    pango_font_description_set_family(entry->Desc, font.Name.c_str());
    pango_font_description_set_absolute_size(entry->Desc, static_cast<double>(pixels) * PANGO_SCALE);
    pango_font_description_set_weight(entry->Desc, (font.Style & fsBold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(entry->Desc, (font.Style & fsItalic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);

    // Text output on paper places every character at its advance, as the printer driver does:
    // kerning and ligatures would make a string narrower than the sum of its characters.
    entry->Plain = pango_attr_list_new();
    pango_attr_list_insert(entry->Plain, pango_attr_font_features_new("kern=0,liga=0,clig=0,dlig=0"));
    entry->Decorated = pango_attr_list_copy(entry->Plain);
    if (font.Style & fsUnderline)
        pango_attr_list_insert(entry->Decorated, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.Style & fsStrikeOut)
        pango_attr_list_insert(entry->Decorated, pango_attr_strikethrough_new(TRUE));

    PangoFontMetrics* metrics = pango_context_get_metrics(FContext, entry->Desc, nullptr);
    const int ascent = UnitsToPixels(pango_font_metrics_get_ascent(metrics));
    const int descent = UnitsToPixels(pango_font_metrics_get_descent(metrics));
    const int height = UnitsToPixels(pango_font_metrics_get_height(metrics));
    entry->Metrics.Ascent = ascent;
    entry->Metrics.Descent = descent;
    entry->Metrics.Height = ascent + descent;
    entry->Metrics.ExternalLeading = std::max(height - (ascent + descent), 0);
    entry->Metrics.AveCharWidth = UnitsToPixels(pango_font_metrics_get_approximate_char_width(metrics));
    entry->UnderlinePos = static_cast<double>(pango_font_metrics_get_underline_position(metrics)) / PANGO_SCALE;
    entry->UnderlineThickness
        = std::max(static_cast<double>(pango_font_metrics_get_underline_thickness(metrics)) / PANGO_SCALE, 1.0);
    entry->StrikePos = static_cast<double>(pango_font_metrics_get_strikethrough_position(metrics)) / PANGO_SCALE;
    entry->StrikeThickness
        = std::max(static_cast<double>(pango_font_metrics_get_strikethrough_thickness(metrics)) / PANGO_SCALE, 1.0);
    pango_font_metrics_unref(metrics);

    // Advances of the printable ASCII characters, so that measuring a line of source code adds
    // numbers instead of shaping it.
    pango_layout_set_font_description(FLayout, entry->Desc);
    pango_layout_set_attributes(FLayout, entry->Plain);
    int widest = 0;
    for (int c = 0x20; c < 0x7F; ++c) {
        char ch = static_cast<char>(c);
        pango_layout_set_text(FLayout, &ch, 1);
        PangoRectangle logical;
        pango_layout_get_extents(FLayout, nullptr, &logical);
        entry->Ascii[c] = logical.width;
        widest = std::max(widest, logical.width);
    }
    entry->Metrics.MaxCharWidth = UnitsToPixels(widest);

    TFontEntry* result = entry.get();
    FFonts.emplace(std::move(key), std::move(entry));
    return result;
}

TCairoCanvas::TFontEntry& TCairoCanvas::CurrentFont()
{
    if (!FState.Entry)
        FState.Entry = MakeFont(FState.Font);
    return *FState.Entry;
}

void TCairoCanvas::SetFont(const TFontSpec& font)
{
    if (FState.Entry && font == FState.Font)
        return;
    FState.Font = font;
    FState.Entry = MakeFont(font);
}

TTextMetrics TCairoCanvas::GetTextMetrics()
{
    return CurrentFont().Metrics;
}

std::string TCairoCanvas::ResolvedFamily()
{
    PangoFont* font = pango_font_map_load_font(pango_cairo_font_map_get_default(), FContext, CurrentFont().Desc);
    if (!font)
        return {};
    PangoFontDescription* desc = pango_font_describe(font);
    std::string family = pango_font_description_get_family(desc) ? pango_font_description_get_family(desc) : "";
    pango_font_description_free(desc);
    g_object_unref(font);
    return family;
}

PangoLayout* TCairoCanvas::Layout(std::string_view text, TFontEntry& font, bool decorations)
{
    FText.clear();
    FCharOfByte.clear();
    int chars = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = SequenceAt(text, i);
        auto c = static_cast<unsigned char>(text[i]);
        if (n == 0 || c < 0x20 || c == 0x7F) {
            FText += "\xEF\xBF\xBD";
            FCharOfByte.insert(FCharOfByte.end(), 3, chars);
            n = n == 0 ? 1 : n;
        } else {
            FText.append(text.substr(i, n));
            FCharOfByte.insert(FCharOfByte.end(), n, chars);
        }
        ++chars;
        i += n;
    }
    FCharOfByte.push_back(chars);
    pango_layout_set_font_description(FLayout, font.Desc);
    pango_layout_set_attributes(FLayout, decorations ? font.Decorated : font.Plain);
    pango_layout_set_text(FLayout, FText.data(), static_cast<int>(FText.size()));
    return FLayout;
}

long long TCairoCanvas::MeasureUnits(std::string_view text, TFontEntry& font)
{
    if (IsPlainAscii(text)) {
        long long units = 0;
        for (char c : text)
            units += font.Ascii[static_cast<unsigned char>(c)];
        return units;
    }
    // Without kerning a text is as wide as its pieces; pieces keep pango's work per call small
    // on lines of megabytes.
    constexpr std::size_t piece = 1 << 14;
    long long units = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = std::min(text.size(), start + piece);
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80 && end - start < piece + 4)
            ++end;
        PangoRectangle logical;
        pango_layout_get_extents(Layout(text.substr(start, end - start), font, false), nullptr, &logical);
        units += logical.width;
        start = end;
    }
    return units;
}

TSize TCairoCanvas::TextExtent(std::string_view text)
{
    TFontEntry& font = CurrentFont();
    return { UnitsToPixels(MeasureUnits(text, font)), font.Metrics.Height };
}

int TCairoCanvas::CharAdvance(char32_t c)
{
    TFontEntry& font = CurrentFont();
    if (c >= 0x20 && c < 0x7F)
        return UnitsToPixels(font.Ascii[c]);
    char buf[4];
    std::size_t n = 0;
    if (c < 0x80) {
        buf[n++] = static_cast<char>(c);
    } else if (c < 0x800) {
        buf[n++] = static_cast<char>(0xC0 | (c >> 6));
        buf[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        buf[n++] = static_cast<char>(0xE0 | (c >> 12));
        buf[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        buf[n++] = static_cast<char>(0xF0 | (c >> 18));
        buf[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buf[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[n++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    return UnitsToPixels(MeasureUnits(std::string_view(buf, n), font));
}

void TCairoCanvas::SetTextColor(TColor color)
{
    FState.TextColor = color;
}

void TCairoCanvas::SetBackColor(TColor color)
{
    FState.BackColor = color;
}

void TCairoCanvas::SetSource(TColor color)
{
    int r, g, b;
    ColorToRGB(color, r, g, b);
    cairo_set_source_rgb(FCr, r / 255.0, g / 255.0, b / 255.0);
}

void TCairoCanvas::Decorate(TFontEntry& font, double x, double baseline, double width)
{
    if (font.Style & fsUnderline) {
        cairo_rectangle(FCr, x, baseline - font.UnderlinePos, width, font.UnderlineThickness);
        cairo_fill(FCr);
    }
    if (font.Style & fsStrikeOut) {
        cairo_rectangle(FCr, x, baseline - font.StrikePos, width, font.StrikeThickness);
        cairo_fill(FCr);
    }
}

void TCairoCanvas::TextOut(int x, int y, std::string_view text)
{
    if (!FCr || text.empty())
        return;
    TFontEntry& font = CurrentFont();
    PangoLayout* layout = Layout(text, font, true);
    SetSource(FState.TextColor);
    cairo_move_to(FCr, x, y + font.Metrics.Ascent);
    pango_cairo_show_layout_line(FCr, pango_layout_get_line_readonly(layout, 0));
}

void TCairoCanvas::ExtTextOut(
    int x, int y, unsigned options, const TRect* rect, std::string_view text, const int* advances, std::size_t count)
{
    if (!FCr)
        return;
    if ((options & etoOpaque) && rect && FState.BackColor != clNone) {
        SetSource(FState.BackColor);
        cairo_rectangle(FCr, rect->Left, rect->Top, rect->Width(), rect->Height());
        cairo_fill(FCr);
    }
    if (text.empty())
        return;
    const bool clipped = (options & etoClipped) && rect;
    if (clipped) {
        cairo_save(FCr);
        cairo_rectangle(FCr, rect->Left, rect->Top, rect->Width(), rect->Height());
        cairo_clip(FCr);
    }

    TFontEntry& font = CurrentFont();
    PangoLayout* layout = Layout(text, font, false);
    const int chars = FCharOfByte.back();
    // Where each character's cell starts, in pango units from x.
    FCellX.assign(static_cast<std::size_t>(chars) + 1, 0);
    for (int k = 0; k < chars; ++k) {
        long long advance = count == 0 ? 0 : advances[std::min<std::size_t>(static_cast<std::size_t>(k), count - 1)];
        FCellX[static_cast<std::size_t>(k) + 1] = FCellX[static_cast<std::size_t>(k)] + advance * PANGO_SCALE;
    }

    SetSource(FState.TextColor);
    const double baseline = y + font.Metrics.Ascent;
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
    for (GSList* run = line ? line->runs : nullptr; run; run = run->next) {
        auto* item = static_cast<PangoGlyphItem*>(run->data);
        PangoGlyphString* glyphs = item->glyphs;
        if (glyphs->num_glyphs == 0)
            continue;
        // Every cluster goes to its first character's cell, whatever the font's own advance;
        // glyphs after the first of a cluster keep their natural offsets within it.
        std::vector<long long> pos(static_cast<std::size_t>(glyphs->num_glyphs));
        for (int g = 0; g < glyphs->num_glyphs; ++g) {
            const auto gi = static_cast<std::size_t>(g);
            if (g > 0 && glyphs->log_clusters[g] == glyphs->log_clusters[g - 1]) {
                pos[gi] = pos[gi - 1] + glyphs->glyphs[g - 1].geometry.width;
            } else {
                auto byte = static_cast<std::size_t>(item->item->offset + glyphs->log_clusters[g]);
                byte = std::min(byte, FCharOfByte.size() - 1);
                pos[gi] = FCellX[static_cast<std::size_t>(FCharOfByte[byte])];
            }
        }
        for (int g = 0; g + 1 < glyphs->num_glyphs; ++g) {
            const auto gi = static_cast<std::size_t>(g);
            glyphs->glyphs[g].geometry.width
                = static_cast<int>(std::clamp<long long>(pos[gi + 1] - pos[gi], INT_MIN / 2, INT_MAX / 2));
        }
        cairo_move_to(FCr, x + static_cast<double>(pos[0]) / PANGO_SCALE, baseline);
        pango_cairo_show_glyph_string(FCr, item->item->analysis.font, glyphs);
    }
    Decorate(font, x, baseline, static_cast<double>(FCellX.back()) / PANGO_SCALE);
    if (clipped)
        cairo_restore(FCr);
}

void TCairoCanvas::FillRect(const TRect& rect, TColor color)
{
    if (!FCr || color == clNone || rect.IsEmpty())
        return;
    SetSource(color);
    cairo_rectangle(FCr, rect.Left, rect.Top, rect.Width(), rect.Height());
    cairo_fill(FCr);
}

void TCairoCanvas::Line(int x1, int y1, int x2, int y2, TColor color)
{
    if (!FCr || color == clNone)
        return;
    SetSource(color);
    if (y1 == y2 || x1 == x2) {
        // One pixel wide, covering the pixels from the first point up to (not including) the
        // second, in whichever direction it runs.
        double left = x1 <= x2 ? x1 : x2 + 1.0;
        double top = y1 <= y2 ? y1 : y2 + 1.0;
        double width = y1 == y2 ? std::abs(x2 - x1) : 1;
        double height = x1 == x2 ? std::abs(y2 - y1) : 1;
        if (y1 == y2 && x1 == x2)
            return;
        cairo_rectangle(FCr, left, top, width, height);
        cairo_fill(FCr);
        return;
    }
    cairo_save(FCr);
    cairo_set_line_width(FCr, 1);
    cairo_move_to(FCr, x1 + 0.5, y1 + 0.5);
    cairo_line_to(FCr, x2 + 0.5, y2 + 0.5);
    cairo_stroke(FCr);
    cairo_restore(FCr);
}

void TCairoCanvas::DrawImage(int x, int y, const TImage& image, const TRect& source)
{
    const TRect src = source.Intersect(image.Bounds());
    if (!FCr || src.IsEmpty())
        return;
    // Only the part drawn is converted; cairo wants premultiplied pixels in native byte order.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, src.Width(), src.Height());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int row = 0; row < src.Height(); ++row) {
        auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(row) * stride);
        for (int col = 0; col < src.Width(); ++col) {
            const TImagePixel p = image.Pixel(src.Left + col, src.Top + row);
            const unsigned a = PixelAlpha(p);
            auto pre = [a](unsigned c) { return (c * a + 127) / 255; };
            out[col] = a << 24 | pre(PixelRed(p)) << 16 | pre(PixelGreen(p)) << 8 | pre(PixelBlue(p));
        }
    }
    cairo_surface_mark_dirty(surface);
    const double left = x + (src.Left - source.Left), top = y + (src.Top - source.Top);
    cairo_save(FCr);
    cairo_rectangle(FCr, left, top, src.Width(), src.Height());
    cairo_clip(FCr);
    cairo_set_source_surface(FCr, surface, left, top);
    // Glyphs and icons are pixel art: scaled pages keep their pixels square rather than blurred.
    cairo_pattern_set_filter(cairo_get_source(FCr), CAIRO_FILTER_NEAREST);
    cairo_paint(FCr);
    cairo_restore(FCr);
    cairo_surface_destroy(surface);
}

void TCairoCanvas::IntersectClipRect(const TRect& rect)
{
    if (!FCr)
        return;
    cairo_rectangle(FCr, rect.Left, rect.Top, std::max(rect.Width(), 0), std::max(rect.Height(), 0));
    cairo_clip(FCr);
}

TRect TCairoCanvas::ClipBox()
{
    if (!FCr)
        return {};
    double x1, y1, x2, y2;
    cairo_clip_extents(FCr, &x1, &y1, &x2, &y2);
    auto held = [](double v) { return static_cast<int>(std::clamp(v, -1e9, 1e9)); };
    return { held(std::floor(x1)), held(std::floor(y1)), held(std::ceil(x2)), held(std::ceil(y2)) };
}

void TCairoCanvas::SaveState()
{
    FSaved.push_back(FState);
    if (FCr)
        cairo_save(FCr);
}

void TCairoCanvas::RestoreState()
{
    if (FSaved.empty())
        return;
    FState = FSaved.back();
    FSaved.pop_back();
    if (FCr)
        cairo_restore(FCr);
}

void TCairoCanvas::SetMapping(TPoint viewportOrg, TSize windowExt, TSize viewportExt)
{
    if (!FCr)
        return;
    cairo_matrix_t base;
    cairo_matrix_init(&base, FBase[0], FBase[1], FBase[2], FBase[3], FBase[4], FBase[5]);
    cairo_set_matrix(FCr, &base);
    if (windowExt.Width == 0 || windowExt.Height == 0 || viewportExt.Width == 0 || viewportExt.Height == 0)
        return;
    cairo_translate(FCr, viewportOrg.X, viewportOrg.Y);
    cairo_scale(FCr, static_cast<double>(viewportExt.Width) / windowExt.Width,
        static_cast<double>(viewportExt.Height) / windowExt.Height);
}

} // namespace quillan

// fontconfig keeps part of its configuration until the process ends, out of reach of the leak
// checker. Weak, so that a program with suppressions of its own keeps them.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
