#pragma once

#include "ports/Canvas.h"

#include <string_view>

namespace quillan {

// What a printer reports about its sheet, in device pixels.
struct TPrinterDeviceCaps {
    int PhysicalWidth = 0; // whole sheet
    int PhysicalHeight = 0;
    int PageWidth = 0; // printable area
    int PageHeight = 0;
    int PhysicalOffsetX = 0; // unprintable strip at the left and top
    int PhysicalOffsetY = 0;
    int LogPixelsX = 0;
    int LogPixelsY = 0;
    friend bool operator==(const TPrinterDeviceCaps&, const TPrinterDeviceCaps&) = default;
};

// A printer as a print job sees it: its sheet and a sequence of pages to draw on. The page
// document (begin, new page, end, abort) stays out of ICanvas so that the same drawing code serves
// screens and paper; a page hands out an ordinary canvas.
class IPrintTarget {
public:
    virtual ~IPrintTarget() = default;

    // False when there is no printer to ask; callers then fall back to a built-in sheet.
    virtual bool GetDeviceCaps(TPrinterDeviceCaps& caps) = 0;

    // Starts a job and its first page. Raises when the job cannot be started (for example when an
    // output file cannot be created).
    virtual void BeginDoc(std::string_view title) = 0;
    // The current page, in device pixels with the printable area's top-left corner at (0, 0).
    // Valid from BeginDoc until the next NewPage, EndDoc or Abort; fetch it again after NewPage.
    virtual ICanvas& Canvas() = 0;
    virtual void NewPage() = 0;
    // Completes the job. Raises when the output cannot be written.
    virtual void EndDoc() = 0;
    // Ends the job without completing it. Never raises and may be called at any time, also twice
    // or when no job runs.
    virtual void Abort() noexcept = 0;
    virtual bool Printing() const = 0;
};

} // namespace quillan
