#pragma once

#include "backends/wx/WxCanvas.h"
#include "ports/PrintTarget.h"
#include "print/PrintRecorder.h"

#include <memory>
#include <string>
#include <wx/cmndata.h>

namespace quillan {

// The program's choice of printer and paper, made in the print and printer setup dialogs and kept
// until the program ends. Pages are always laid out at 300 dpi, on the sheet's full area.
class TPrinterChoice {
public:
    static constexpr int Resolution = 300;

    TPrinterChoice();
    wxPrintData& Data() { return FData; }
    // The sheet in device pixels as a print job will see it.
    TPrinterDeviceCaps Caps() const;
    // Empty while no printer has been chosen.
    std::string PrinterName() const;

private:
    wxPrintData FData;
};

// The engine's printer: a job is measured as the preview measures (a screen canvas at the
// printer's pixel sizes, so preview and paper paginate alike) and recorded; EndDoc hands the pages
// to one GTK print operation, which draws them on the printer's device context, or, when
// ExportFile is set, writes them to that PDF file without asking anything.
class TGtkPrintTarget : public IPrintTarget {
public:
    explicit TGtkPrintTarget(TPrinterChoice& choice);
    ~TGtkPrintTarget() override;

    bool GetDeviceCaps(TPrinterDeviceCaps& caps) override;
    void BeginDoc(std::string_view title) override;
    ICanvas& Canvas() override;
    void NewPage() override;
    // Raises when GTK reports the job as failed.
    void EndDoc() override;
    void Abort() noexcept override;
    bool Printing() const override { return FRecorder && FRecorder->Printing(); }

    std::string ExportFile;
    // Jobs that GTK accepted.
    int JobsDone() const { return FJobsDone; }

private:
    void Run();

    TPrinterChoice& FChoice;
    TWxCanvas FMeasure;
    std::unique_ptr<TPrintRecorder> FRecorder;
    int FJobsDone = 0;
};

} // namespace quillan
