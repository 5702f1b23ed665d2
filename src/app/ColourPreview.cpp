#include "app/ColourPreview.h"

#include "app/OptionsModel.h"
#include "editor/QuillEdit.h"
#include "highlight/HighlighterCpp.h"
#include "highlight/HighlighterHTML.h"
#include "highlight/HighlighterPas.h"

namespace quillan {

const std::vector<std::string>& PreviewSample(TPreviewLanguage language)
{
    static const std::vector<std::string> cpp {
        "/* This is a test -- Comment area */",
        "",
        "#include <stdio.h>",
        "",
        "int main();",
        "{",
        "    printf(\"String area\");",
        "    @ \\ // invalid symbols",
        "    return 0;",
        "}",
    };
    static const std::vector<std::string> pascal {
        "{ This is a test for Pascal Syntax Highlighting }",
        "PROGRAM Test;",
        "USES Crt;",
        "VAR",
        "  Number : INTEGER;",
        "",
        "BEGIN",
        "  Clrscr;",
        "  Writeln('Pascal is the bomb!');",
        "  Number := 1234;",
        "  ASM",
        "    MOV AX,1234H",
        "    MOV Number,AX",
        "  END;",
        "END.",
    };
    static const std::vector<std::string> html {
        "<HTML>",
        "<HEAD>",
        "  <TITLE>My Website</TITLE>",
        "<HEAD>",
        "<BODY TEXT=\"Navy\" LINK=\"Blue\" VLINK=\"Blue\" ALINK=\"Blue\" BGCOLOR=\"White\" "
        "BACKGROUND=\"images/menuback.jpg\">",
        "<CENTER><IMG SRC=\"images/logo.jpg\" WIDTH=449 HEIGHT=54 ALT=\"Blah\"></CENTER><BR>",
        "Check out this COOL Website!! &nbsp;&nbsp;<A HREF=\"home.html\" TARGET=\"BodyFrame\">Click here</A>",
        "<INVALID>",
        "<!-- Comment -->",
        "</BODY>",
        "</HTML>",
    };
    switch (language) {
    case TPreviewLanguage::plPascal:
        return pascal;
    case TPreviewLanguage::plHTML:
        return html;
    case TPreviewLanguage::plCpp:
        break;
    }
    return cpp;
}

TColourPreview::TColourPreview()
    : FCpp(std::make_unique<TCppHighlighter>())
    , FPas(std::make_unique<TPasHighlighter>())
    , FHTML(std::make_unique<THTMLHighlighter>())
{
    // Only the colours come from the dialog; the styles are the preview's own.
    FCpp->CommentAttri()->SetStyle(fsItalic);
    FCpp->DirecAttri()->SetStyle(fsBold);
    FCpp->KeyAttri()->SetStyle(fsBold);
    FPas->CommentAttri()->SetStyle(fsItalic);
    FPas->KeyAttri()->SetStyle(fsBold);
    FHTML->CommentAttri()->SetStyle(fsItalic);
    FHTML->AndAttri()->SetStyle(fsBold);
    FHTML->IdentifierAttri()->SetStyle(fsBold);
    FHTML->KeyAttri()->SetStyle(fsBold);
    FHTML->SymbolAttri()->SetStyle(fsBold);
    FHTML->UndefKeyAttri()->SetStyle(fsBold);
    FHTML->ASPAttri()->SetBackground(0x00FFFF); // yellow
}

TColourPreview::~TColourPreview() = default;

void TColourPreview::Show(TCustomQuillEdit& edit, TPreviewLanguage language, const TOptionsValues& values)
{
    edit.Lines().Clear();
    edit.Lines().AddStrings(PreviewSample(language));
    TSettings colours;
    colours.Cpp = values.Cpp;
    colours.Pascal = values.Pas;
    colours.HTML = values.HTML;
    // All three take the boxes' colours; only the one of the language is shown.
    colours.ApplyColours(*FCpp, *FPas, *FHTML);
    TCustomHighlighter* shown = FCpp.get();
    if (language == TPreviewLanguage::plPascal)
        shown = FPas.get();
    else if (language == TPreviewLanguage::plHTML)
        shown = FHTML.get();
    edit.SetHighlighter(shown);
}

} // namespace quillan
