#pragma once

// The HTML scanner's tag and entity tables and their lookups. Only HighlighterHTML.cpp includes
// this: everything is constexpr or inline so that the scanner's per-token lookups compile into
// the scanner as they did when the tables lived in its file.

#include "base/AsciiCase.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillan::htmltables {

// Matched in this order; letter case is ignored, so a lower-case form finds its upper-case twin
// of the same length first. "&divide" really has no ";".
constexpr std::array<std::string_view, 151> Entities = {
    "&amp;",
    "&lt;",
    "&gt;",
    "&quot;",
    "&trade;",
    "&nbsp;",
    "&copy;",
    "&reg;",
    "&Agrave;",
    "&Aacute;",
    "&Acirc;",
    "&Atilde;",
    "&Auml;",
    "&Aring;",
    "&AElig;",
    "&Ccedil;",
    "&Egrave;",
    "&Eacute;",
    "&Ecirc;",
    "&Euml;",
    "&Igrave;",
    "&Iacute;",
    "&Icirc;",
    "&Iuml;",
    "&ETH;",
    "&Ntilde;",
    "&Ograve;",
    "&Oacute;",
    "&Ocirc;",
    "&Otilde;",
    "&Ouml;",
    "&Oslash;",
    "&Ugrave;",
    "&Uacute;",
    "&Ucirc;",
    "&Uuml;",
    "&Yacute;",
    "&THORN;",
    "&szlig;",
    "&agrave;",
    "&aacute;",
    "&acirc;",
    "&atilde;",
    "&auml;",
    "&aring;",
    "&aelig;",
    "&ccedil;",
    "&egrave;",
    "&eacute;",
    "&ecirc;",
    "&euml;",
    "&igrave;",
    "&iacute;",
    "&icirc;",
    "&iuml;",
    "&eth;",
    "&ntilde;",
    "&ograve;",
    "&oacute;",
    "&ocirc;",
    "&otilde;",
    "&ouml;",
    "&oslash;",
    "&ugrave;",
    "&uacute;",
    "&ucirc;",
    "&uuml;",
    "&yacute;",
    "&thorn;",
    "&yuml;",
    "&iexcl;",
    "&cent;",
    "&pound;",
    "&curren;",
    "&yen;",
    "&brvbar;",
    "&sect;",
    "&uml;",
    "&ordf;",
    "&laquo;",
    "&shy;",
    "&macr;",
    "&deg;",
    "&plusmn;",
    "&sup2;",
    "&sup3;",
    "&acute;",
    "&micro;",
    "&middot;",
    "&cedil;",
    "&sup1;",
    "&ordm;",
    "&raquo;",
    "&frac14;",
    "&frac12;",
    "&frac34;",
    "&iquest;",
    "&times;",
    "&divide",
    "&euro;",
    "&#9;",
    "&#127;",
    "&#128;",
    "&#129;",
    "&#130;",
    "&#131;",
    "&#132;",
    "&ldots;",
    "&#134;",
    "&#135;",
    "&#136;",
    "&#137;",
    "&#138;",
    "&#139;",
    "&#140;",
    "&#141;",
    "&#142;",
    "&#143;",
    "&#144;",
    "&#152;",
    "&#153;",
    "&#154;",
    "&#155;",
    "&#156;",
    "&#157;",
    "&#158;",
    "&#159;",
    "&#161;",
    "&#162;",
    "&#163;",
    "&#164;",
    "&#165;",
    "&#166;",
    "&#167;",
    "&#168;",
    "&#170;",
    "&#175;",
    "&#176;",
    "&#177;",
    "&#178;",
    "&#180;",
    "&#181;",
    "&#183;",
    "&#184;",
    "&#185;",
    "&#186;",
    "&#188;",
    "&#189;",
    "&#190;",
    "&#191;",
    "&#215;",
};

constexpr std::array<std::string_view, 198> Tags = {
    "A",
    "/A",
    "ABBR",
    "/ABBR",
    "ACRONYM",
    "/ACRONYM",
    "ADDRESS",
    "/ADDRESS",
    "APPLET",
    "/APPLET",
    "AREA",
    "B",
    "/B",
    "BASE",
    "BASEFONT",
    "BGSOUND",
    "BIG",
    "/BIG",
    "BLINK",
    "/BLINK",
    "BLOCKQUOTE",
    "/BLOCKQUOTE",
    "BODY",
    "/BODY",
    "BR",
    "BUTTON",
    "/BUTTON",
    "CAPTION",
    "/CAPTION",
    "CENTER",
    "/CENTER",
    "CITE",
    "/CITE",
    "CODE",
    "/CODE",
    "COL",
    "COLGROUP",
    "/COLGROUP",
    "COMMENT",
    "/COMMENT",
    "DD",
    "/DD",
    "DEL",
    "/DEL",
    "DFN",
    "/DFN",
    "DIR",
    "/DIR",
    "DIV",
    "/DIV",
    "DL",
    "/DL",
    "!DOCTYPE",
    "DT",
    "/DT",
    "EM",
    "/EM",
    "EMBED",
    "/EMBED",
    "FIELDSET",
    "/FIELDSET",
    "FONT",
    "/FONT",
    "FORM",
    "/FORM",
    "FRAME",
    "FRAMESET",
    "/FRAMESET",
    "H1",
    "/H1",
    "H2",
    "/H2",
    "H3",
    "/H3",
    "H4",
    "/H4",
    "H5",
    "/H5",
    "H6",
    "/H6",
    "HEAD",
    "/HEAD",
    "HR",
    "HTML",
    "/HTML",
    "I",
    "/I",
    "IFRAME",
    "/IFRAME",
    "ILAYER",
    "/ILAYER",
    "IMG",
    "INPUT",
    "INS",
    "/INS",
    "ISINDEX",
    "KBD",
    "/KBD",
    "KEYGEN",
    "LABEL",
    "/LABEL",
    "LAYER",
    "/LAYER",
    "LEGEND",
    "/LEGEND",
    "LI",
    "/LI",
    "LINK",
    "LISTING",
    "/LISTING",
    "MAP",
    "/MAP",
    "MARQUEE",
    "/MARQUEE",
    "MENU",
    "/MENU",
    "META",
    "MULTICOL",
    "/MULTICOL",
    "NEXTID",
    "NOBR",
    "/NOBR",
    "NOEMBED",
    "/NOEMBED",
    "NOFRAMES",
    "/NOFRAMES",
    "NOLAYER",
    "/NOLAYER",
    "NOSCRIPT",
    "/NOSCRIPT",
    "OBJECT",
    "/OBJECT",
    "OL",
    "/OL",
    "OPTION",
    "/OPTION",
    "P",
    "/P",
    "PARAM",
    "PLAINTEXT",
    "PRE",
    "/PRE",
    "Q",
    "/Q",
    "S",
    "/S",
    "SAMP",
    "/SAMP",
    "SCRIPT",
    "/SCRIPT",
    "SELECT",
    "/SELECT",
    "SERVER",
    "/SERVER",
    "SMALL",
    "/SMALL",
    "SPACER",
    "SPAN",
    "/SPAN",
    "STRIKE",
    "/STRIKE",
    "STRONG",
    "/STRONG",
    "STYLE",
    "/STYLE",
    "SUB",
    "/SUB",
    "SUP",
    "/SUP",
    "TABLE",
    "/TABLE",
    "TBODY",
    "/TBODY",
    "TD",
    "/TD",
    "TEXTAREA",
    "/TEXTAREA",
    "TFOOT",
    "/TFOOT",
    "TH",
    "/TH",
    "THEAD",
    "/THEAD",
    "TITLE",
    "/TITLE",
    "TR",
    "/TR",
    "TT",
    "/TT",
    "U",
    "/U",
    "UL",
    "/UL",
    "VAR",
    "/VAR",
    "WBR",
    "XMP",
    "/XMP",
};

constexpr unsigned TagSlots = 244;

// Value of a tag-name character in the hash and in the slot comparison: letters 1..26 in either
// case, "!" 123, "/" 122, everything else (digits included) 0.
constexpr std::array<std::uint8_t, 256> MakeTagCharValue()
{
    std::array<std::uint8_t, 256> v {};
    for (unsigned c = 'A'; c <= 'Z'; ++c) {
        v[c] = static_cast<std::uint8_t>(c - 'A' + 1);
        v[c + 32] = static_cast<std::uint8_t>(c - 'A' + 1);
    }
    v['!'] = 123;
    v['/'] = 122;
    return v;
}
constexpr auto TagCharValue = MakeTagCharValue();

constexpr bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

constexpr unsigned HashOf(std::string_view name)
{
    unsigned h = 0;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        h += IsDigit(c) ? unsigned(c - '0') : TagCharValue[c];
    }
    return h;
}

// Tag indices grouped by hash: the names of slot h are Index[Start[h] .. Start[h+1]).
struct TTagSlots {
    std::array<std::uint16_t, TagSlots + 1> Start {};
    std::array<std::uint8_t, Tags.size()> Index {};
};

constexpr TTagSlots MakeTagSlots()
{
    TTagSlots s;
    std::array<std::uint16_t, TagSlots> count {};
    for (std::string_view t : Tags)
        ++count[HashOf(t)];
    for (unsigned h = 0; h < TagSlots; ++h)
        s.Start[h + 1] = static_cast<std::uint16_t>(s.Start[h] + count[h]);
    std::array<std::uint16_t, TagSlots> fill {};
    for (std::size_t i = 0; i < Tags.size(); ++i) {
        const unsigned h = HashOf(Tags[i]);
        s.Index[s.Start[h] + fill[h]++] = static_cast<std::uint8_t>(i);
    }
    return s;
}
constexpr TTagSlots TagSlotTable = MakeTagSlots();

static_assert(HashOf("A") == 1 && HashOf("H1") == 9 && HashOf("TABLE") == 40 && HashOf("/A") == 123
    && HashOf("!DOCTYPE") == 211 && HashOf("/BLOCKQUOTE") == 243);
static_assert(TagSlotTable.Start[0] == TagSlotTable.Start[1], "slot 0 must stay empty: empty names are unknown tags");

// Entities grouped by the folded byte after "&", keeping table order inside a group, so a text
// "&" tries only the few entities that can match and still finds the first one in table order.
struct TEntityGroups {
    std::array<std::uint8_t, 257> Start {};
    std::array<std::uint8_t, Entities.size()> Index {};
};

constexpr TEntityGroups MakeEntityGroups()
{
    TEntityGroups g;
    std::array<std::uint8_t, 256> count {};
    for (std::string_view e : Entities)
        ++count[AsciiLower(static_cast<unsigned char>(e[1]))];
    for (unsigned c = 0; c < 256; ++c)
        g.Start[c + 1] = static_cast<std::uint8_t>(g.Start[c] + count[c]);
    std::array<std::uint8_t, 256> fill {};
    for (std::size_t i = 0; i < Entities.size(); ++i) {
        const unsigned char c = AsciiLower(static_cast<unsigned char>(Entities[i][1]));
        g.Index[g.Start[c] + fill[c]++] = static_cast<std::uint8_t>(i);
    }
    return g;
}
constexpr TEntityGroups EntityGroups = MakeEntityGroups();

inline bool EntityAt(std::string_view text, std::string_view entity)
{
    if (text.size() < entity.size())
        return false;
    for (std::size_t i = 0; i < entity.size(); ++i)
        if (AsciiLower(static_cast<unsigned char>(text[i])) != AsciiLower(static_cast<unsigned char>(entity[i])))
            return false;
    return true;
}

inline bool TagInSlot(unsigned hash, const char* name, std::size_t length)
{
    for (unsigned k = TagSlotTable.Start[hash]; k < TagSlotTable.Start[hash + 1]; ++k) {
        const std::string_view tag = Tags[TagSlotTable.Index[k]];
        if (tag.size() != length)
            continue;
        std::size_t i = 0;
        while (i < length
            && TagCharValue[static_cast<unsigned char>(name[i])] == TagCharValue[static_cast<unsigned char>(tag[i])])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

} // namespace quillan::htmltables
