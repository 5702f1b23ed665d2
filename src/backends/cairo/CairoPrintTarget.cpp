#include "backends/cairo/CairoPrintTarget.h"

#include "base/AtomicFile.h"
#include "base/QuillEditStrConst.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cmath>

namespace quillan {

TCairoPrintTarget::TCairoPrintTarget(const TPrinterDeviceCaps& sheet)
    : FSheet(sheet)
{
}

TCairoPrintTarget::~TCairoPrintTarget()
{
    Abort();
}

void TCairoPrintTarget::SetPngOutput(std::string prefix, int dpi)
{
    FPngPrefix = std::move(prefix);
    FPngDpi = dpi;
}

bool TCairoPrintTarget::GetDeviceCaps(TPrinterDeviceCaps& caps)
{
    caps = FSheet;
    return true;
}

void TCairoPrintTarget::BeginDoc(std::string_view title)
{
    Abort();
    if (FSheet.LogPixelsX <= 0 || FSheet.LogPixelsY <= 0 || FSheet.PhysicalWidth <= 0 || FSheet.PhysicalHeight <= 0)
        throw EQuillException("The page has no size");
    // A job that writes nothing would look like a successful print.
    if (FPdfPath.empty() && FPngPrefix.empty())
        throw EQuillException("No output file for printing");
    FPagesDone = 0;
    FPngFiles.clear();
    if (!FPdfPath.empty()) {
        // Through the atomic writer, so that a failed or aborted job never leaves a truncated
        // document where a good one was.
        FPdfFile = std::make_unique<TAtomicFile>();
        if (!FPdfFile->Open(FPdfPath)) {
            FPdfFile.reset();
            throw EFCreateError(FPdfPath);
        }
        const double widthPt = FSheet.PhysicalWidth * 72.0 / FSheet.LogPixelsX;
        const double heightPt = FSheet.PhysicalHeight * 72.0 / FSheet.LogPixelsY;
        FPdf = cairo_pdf_surface_create_for_stream(
            [](void* file, const unsigned char* data, unsigned int length) {
                return static_cast<TAtomicFile*>(file)->Write(data, length) ? CAIRO_STATUS_SUCCESS
                                                                            : CAIRO_STATUS_WRITE_ERROR;
            },
            FPdfFile.get(), widthPt, heightPt);
        if (cairo_surface_status(FPdf) != CAIRO_STATUS_SUCCESS) {
            Release();
            throw EFCreateError(FPdfPath);
        }
        const std::string name(title);
        cairo_pdf_surface_set_metadata(FPdf, CAIRO_PDF_METADATA_TITLE, name.c_str());
        cairo_pdf_surface_set_metadata(FPdf, CAIRO_PDF_METADATA_CREATOR, "Quillan");
        FPdfCr = cairo_create(FPdf);
        // Device pixels, origin at the printable area, which is all a printer can reach.
        cairo_scale(FPdfCr, 72.0 / FSheet.LogPixelsX, 72.0 / FSheet.LogPixelsY);
        cairo_translate(FPdfCr, FSheet.PhysicalOffsetX, FSheet.PhysicalOffsetY);
        cairo_rectangle(FPdfCr, 0, 0, FSheet.PageWidth, FSheet.PageHeight);
        cairo_clip(FPdfCr);
    }
    FPrinting = true;
    StartPage();
}

void TCairoPrintTarget::StartPage()
{
    if (FPngPrefix.empty()) {
        FCanvas.Bind(FPdfCr);
        return;
    }
    cairo_rectangle_t extents { 0, 0, static_cast<double>(FSheet.PageWidth), static_cast<double>(FSheet.PageHeight) };
    FRecording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
    FRecordingCr = cairo_create(FRecording);
    FCanvas.Bind(FRecordingCr);
}

void TCairoPrintTarget::WritePng(cairo_surface_t* page)
{
    const double scaleX = static_cast<double>(FPngDpi) / FSheet.LogPixelsX;
    const double scaleY = static_cast<double>(FPngDpi) / FSheet.LogPixelsY;
    const int width = std::max(1, static_cast<int>(std::lround(FSheet.PhysicalWidth * scaleX)));
    const int height = std::max(1, static_cast<int>(std::lround(FSheet.PhysicalHeight * scaleY)));
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(image);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, scaleX, scaleY);
    cairo_translate(cr, FSheet.PhysicalOffsetX, FSheet.PhysicalOffsetY);
    cairo_rectangle(cr, 0, 0, FSheet.PageWidth, FSheet.PageHeight);
    cairo_clip(cr);
    cairo_set_source_surface(cr, page, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string path = FPngPrefix + "-" + std::to_string(FPagesDone + 1) + ".png";
    cairo_status_t status = cairo_surface_status(image);
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_surface_write_to_png(image, path.c_str());
    cairo_surface_destroy(image);
    if (status == CAIRO_STATUS_NO_MEMORY)
        throw std::bad_alloc();
    if (status != CAIRO_STATUS_SUCCESS)
        throw EFCreateError(path);
    FPngFiles.push_back(std::move(path));
}

void TCairoPrintTarget::FinishPage()
{
    if (FRecording) {
        cairo_destroy(FRecordingCr);
        FRecordingCr = nullptr;
        cairo_surface_t* page = FRecording;
        FRecording = nullptr;
        try {
            if (FPdfCr) {
                cairo_save(FPdfCr);
                cairo_set_source_surface(FPdfCr, page, 0, 0);
                cairo_paint(FPdfCr);
                cairo_restore(FPdfCr);
            }
            WritePng(page);
        } catch (...) {
            cairo_surface_destroy(page);
            throw;
        }
        cairo_surface_destroy(page);
    }
    if (FPdfCr)
        cairo_show_page(FPdfCr);
    ++FPagesDone;
}

void TCairoPrintTarget::NewPage()
{
    if (!FPrinting)
        return;
    FinishPage();
    StartPage();
}

void TCairoPrintTarget::EndDoc()
{
    if (!FPrinting)
        return;
    try {
        FinishPage();
    } catch (...) {
        Abort();
        throw;
    }
    FCanvas.Bind(nullptr);
    if (FPdf) {
        cairo_destroy(FPdfCr);
        FPdfCr = nullptr;
        cairo_surface_finish(FPdf);
        const cairo_status_t status = cairo_surface_status(FPdf);
        cairo_surface_destroy(FPdf);
        FPdf = nullptr;
        const bool written = status == CAIRO_STATUS_SUCCESS && FPdfFile->Commit();
        FPdfFile.reset();
        if (!written) {
            FPrinting = false;
            throw EWriteError();
        }
    }
    FPrinting = false;
}

void TCairoPrintTarget::Release() noexcept
{
    FCanvas.Bind(nullptr);
    if (FRecordingCr)
        cairo_destroy(FRecordingCr);
    if (FRecording)
        cairo_surface_destroy(FRecording);
    if (FPdfCr)
        cairo_destroy(FPdfCr);
    if (FPdf)
        cairo_surface_destroy(FPdf);
    FRecordingCr = nullptr;
    FRecording = nullptr;
    FPdfCr = nullptr;
    FPdf = nullptr;
}

void TCairoPrintTarget::Abort() noexcept
{
    Release();
    // After the surface is gone, which may still write to the file as it is destroyed.
    FPdfFile.reset();
    FPrinting = false;
}

} // namespace quillan
