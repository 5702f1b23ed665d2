#pragma once

#include "backends/cairo/CairoCanvas.h"
#include "ports/PrintTarget.h"

#include <memory>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace quillan {

class TAtomicFile;

// A printer that prints into files: a PDF document, PNG images of every page, or both from the
// same job. The sheet (paper size, printable area, resolution) is given in device pixels as a
// printer would report it; the engine draws in those pixels and the files are scaled from them,
// so the PDF and the images of one job show exactly the same pages.
class TCairoPrintTarget : public IPrintTarget {
public:
    explicit TCairoPrintTarget(const TPrinterDeviceCaps& sheet);
    ~TCairoPrintTarget() override;
    TCairoPrintTarget(const TCairoPrintTarget&) = delete;
    TCairoPrintTarget& operator=(const TCairoPrintTarget&) = delete;

    // Set before BeginDoc; a job needs at least one output. The PDF appears only when the job
    // ends; an aborted job leaves none.
    void SetPdfFile(std::string path) { FPdfPath = std::move(path); }
    // Pages go to PREFIX-1.png, PREFIX-2.png, ... at `dpi` pixels per inch.
    void SetPngOutput(std::string prefix, int dpi);

    bool GetDeviceCaps(TPrinterDeviceCaps& caps) override;
    void BeginDoc(std::string_view title) override;
    ICanvas& Canvas() override { return FCanvas; }
    void NewPage() override;
    void EndDoc() override;
    void Abort() noexcept override;
    bool Printing() const override { return FPrinting; }

    // Pages finished by the last job, and the images written.
    int PagesDone() const { return FPagesDone; }
    const std::vector<std::string>& PngFiles() const { return FPngFiles; }

private:
    void StartPage();
    void FinishPage();
    void WritePng(cairo_surface_t* page);
    void Release() noexcept;

    TPrinterDeviceCaps FSheet;
    std::string FPdfPath;
    std::unique_ptr<TAtomicFile> FPdfFile; // where the PDF surface writes
    std::string FPngPrefix;
    int FPngDpi = 0;
    bool FPrinting = false;
    int FPagesDone = 0;
    std::vector<std::string> FPngFiles;

    cairo_surface_t* FPdf = nullptr;
    cairo_t* FPdfCr = nullptr;
    // With images to write, each page is recorded once and played back into every output.
    cairo_surface_t* FRecording = nullptr;
    cairo_t* FRecordingCr = nullptr;
    TCairoCanvas FCanvas;
};

} // namespace quillan
