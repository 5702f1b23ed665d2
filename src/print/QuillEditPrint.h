#pragma once

#include "base/QuillEditStrConst.h"
#include "ports/Canvas.h"
#include "ports/PrintTarget.h"
#include "print/PrintLineCells.h"
#include "print/QuillEditPrintHeaderFooter.h"
#include "print/QuillEditPrintMargins.h"
#include "print/QuillEditPrintTypes.h"
#include "print/QuillEditPrinterInfo.h"
#include "text/QuillEditTextBuffer.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

class TCustomHighlighter;
class TCustomQuillEdit;

inline constexpr const char* SNoDefaultPrinter = "There is no default printer currently selected";

// Printing was asked for but there is no printer to print on.
class EPrinter : public EQuillException {
public:
    using EQuillException::EQuillException;
};

// Turns a document's lines into pages: paginates them on the printer's geometry, wraps long lines,
// numbers them, applies the highlighter's styles and draws header and footer. Printer jobs and the
// preview share one page-drawing routine; only the canvas differs. Everything is measured in
// printer pixels (fonts get the printer's resolution), so a preview paginates exactly as paper.
class TQuillEditPrint {
public:
    TQuillEditPrint();
    ~TQuillEditPrint();
    TQuillEditPrint(const TQuillEditPrint&) = delete;
    TQuillEditPrint& operator=(const TQuillEditPrint&) = delete;

    // Takes the editor's tab width, then a copy of its lines, its highlighter and its font.
    void LoadFromEditor(const TCustomQuillEdit& editor);

    THeader& Header() { return FHeader; }
    TFooter& Footer() { return FFooter; }
    TQuillEditPrintMargins& Margins() { return FMargins; }

    // The engine's own copy, tabs expanded to blanks with TabWidth.
    const TQuillEditStringList& Lines() const { return FLines; }
    void SetLines(const TQuillEditStringList& source);
    void SetLines(const std::vector<std::string>& source);

    const TFontSpec& Font() const { return FFont; }
    void SetFont(const TFontSpec& value);
    TCustomHighlighter* Highlighter() const { return FHighlighter; }
    // Not owned: the caller keeps it alive while it is set, and resets it before destroying it.
    void SetHighlighter(TCustomHighlighter* value);

    const std::string& Title() const { return FTitle; }
    void SetTitle(std::string value) { FTitle = std::move(value); }
    const std::string& DocTitle() const { return FDocTitle; }
    void SetDocTitle(std::string value) { FDocTitle = std::move(value); }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool value) { FWrap = value; }
    bool Highlight() const { return FHighlight; }
    void SetHighlight(bool value) { FHighlight = value; }
    bool Colors() const { return FColors; }
    void SetColors(bool value) { FColors = value; }
    bool LineNumbers() const { return FLineNumbers; }
    void SetLineNumbers(bool value) { FLineNumbers = value; }
    bool LineNumbersInMargin() const { return FLineNumbersInMargin; }
    void SetLineNumbersInMargin(bool value) { FLineNumbersInMargin = value; }
    int LineOffset() const { return FLineOffset; }
    void SetLineOffset(int value) { FLineOffset = value; }
    int PageOffset() const { return FPageOffset; }
    void SetPageOffset(int value) { FPageOffset = value; }
    int TabWidth() const { return FTabWidth; }
    // Applies to the next SetLines. Values above 256 are taken as 256: a tab never becomes more
    // blanks than the editor allows.
    void SetTabWidth(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }

    TPrintLineEvent OnPrintLine;
    TPrintStatusEvent OnPrintStatus;

    // The printer that Print uses and whose sheet pagination measures; not owned. Without one the
    // built-in A4 page is used for pagination and Print raises EPrinter.
    void SetPrinter(IPrintTarget* printer);
    IPrintTarget* Printer() const { return FPrinter; }
    TQuillEditPrinterInfo& PrinterInfo() { return FPrinterInfo; }
    // A canvas on the screen, used by PageCount when the pages are stale; without one PageCount
    // is 0 until something paginates.
    std::function<std::unique_ptr<ICanvas>()> CreateScreenCanvas;

    void Print() { PrintRange(1, -1); }
    // One printer job for pages first..last; a negative last means the last page.
    void PrintRange(int firstPage, int lastPage);
    // Measures the page on `canvas` and counts the pages; returns whether highlighting is in use.
    bool Paginate(ICanvas& canvas);
    int PageCount();
    // Draws one page as the preview shows it. Pages out of range draw nothing; stale pages are
    // counted again on this canvas first.
    void RenderPage(ICanvas& canvas, int pageNumber);

    // Results of the last pagination.
    int MaxCol() const { return FMaxCol; }
    int LineHeight() const { return FLineHeight; }
    int CharWidth() const { return FCharWidth; }
    // 0-based index of the first line of page `pageNumber`; -1 outside 1..PageCount.
    int PageFirstLine(int pageNumber) const;

private:
    void PrepareJob(ICanvas& canvas);
    void ScanRanges();
    void CountPages(ICanvas& canvas);
    bool NeedsWrap(ICanvas& canvas, std::string_view text);
    int LineWrapRows(std::string_view text);
    int MaxLineNumber() const;
    int OffsetPageNumber(int pageNumber) const;
    void Status(TQuillPrintStatus status, int pageNumber);
    void PrintPage(ICanvas& canvas, int pageNumber);
    void WriteLine(ICanvas& canvas, int index);
    void WritePlain(ICanvas& canvas, std::string_view text, bool fits);
    void WriteHighlighted(ICanvas& canvas, int index, std::string_view text);
    void DrawCells(ICanvas& canvas, std::string_view text, int first, int last, std::int64_t x, std::int64_t y);
    bool RowVisible(std::int64_t y) const;
    void StalePages() { FPagesCounted = false; }

    THeader FHeader;
    TFooter FFooter;
    TQuillEditPrintMargins FMargins;
    TQuillEditStringList FLines;
    TFontSpec FFont;
    TCustomHighlighter* FHighlighter = nullptr;
    std::string FTitle;
    std::string FDocTitle;
    bool FWrap = true;
    bool FHighlight = true;
    bool FColors = false;
    bool FLineNumbers = false;
    bool FLineNumbersInMargin = false;
    int FLineOffset = 0;
    int FPageOffset = 0;
    int FTabWidth = 8;
    TColor FColor = PrintWhite;

    IPrintTarget* FPrinter = nullptr;
    TQuillEditPrinterInfo FPrinterInfo;

    std::vector<int> FPages; // first line of each page
    int FPageCount = 0;
    TTextMetrics FTextMetrics;
    TFontSpec FCanvasFont; // Font as set on the canvas, at the printer's resolution
    TColor FFontColor = clWindowText;
    int FLineHeight = 1;
    int FCharWidth = 1;
    std::array<int, 1024> FETODist {};
    int FMaxCol = 1;
    int FMaxWidth = 0;
    std::int64_t FYPos = 0;
    int FLineNumber = 0;
    bool FAbort = false;
    bool FPrinting = false;
    bool FJobAborted = false;
    bool FTokenOpaque = false;
    bool FRangesValid = false;
    bool FPagesCounted = false;
    bool FPrepared = false;
    bool FHighlightInUse = false;
    TRect FClip;

    // Scratch space reused from line to line.
    TPrintLineCells FCells;
    std::vector<int> FWrapPos;
    std::vector<int> FAdvances;
};

} // namespace quillan
