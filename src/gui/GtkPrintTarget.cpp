#include "gui/GtkPrintTarget.h"

#include "base/QuillEditStrConst.h"

#include <cmath>
#include <gtk/gtk.h>
#include <wx/dcprint.h>
#include <wx/gtk/print.h>

namespace quillan {

namespace {

int MmToPixels(int mm)
{
    return static_cast<int>(std::lround(mm * TPrinterChoice::Resolution / 25.4));
}

struct TJob {
    TPrintRecorder* Recorder;
    wxPrintData* Data;
};

void DrawPage(GtkPrintOperation*, GtkPrintContext* context, gint page, gpointer data)
{
    auto* job = static_cast<TJob*>(data);
    auto* native = static_cast<wxGtkPrintNativeData*>(job->Data->GetNativeData());
    native->SetPrintContext(context);
    wxPrinterDC dc(*job->Data);
    // StartPage sets the DC's scale from points to device pixels; without it everything lands at
    // 72 dpi.
    dc.StartPage();
    const wxSize size = dc.GetSize();
    TWxCanvas canvas;
    canvas.SetFontResolution(96);
    canvas.Bind(&dc, { 0, 0, size.x, size.y });
    job->Recorder->ReplayPage(page, canvas);
    canvas.Bind(nullptr, {});
    dc.EndPage();
    native->SetPrintContext(nullptr);
}

} // namespace

TPrinterChoice::TPrinterChoice()
{
    FData.SetPaperId(wxPAPER_A4);
    FData.SetQuality(Resolution);
}

TPrinterDeviceCaps TPrinterChoice::Caps() const
{
    wxSize mm = FData.GetPaperSize();
    if (mm.x <= 0 || mm.y <= 0)
        mm = wxSize(210, 297);
    if (FData.GetOrientation() == wxLANDSCAPE)
        mm = wxSize(mm.y, mm.x);
    TPrinterDeviceCaps caps;
    caps.PhysicalWidth = caps.PageWidth = MmToPixels(mm.x);
    caps.PhysicalHeight = caps.PageHeight = MmToPixels(mm.y);
    caps.LogPixelsX = caps.LogPixelsY = Resolution;
    return caps;
}

std::string TPrinterChoice::PrinterName() const
{
    return FData.GetPrinterName().utf8_string();
}

TGtkPrintTarget::TGtkPrintTarget(TPrinterChoice& choice)
    : FChoice(choice)
{
}

TGtkPrintTarget::~TGtkPrintTarget() = default;

bool TGtkPrintTarget::GetDeviceCaps(TPrinterDeviceCaps& caps)
{
    caps = FChoice.Caps();
    return true;
}

void TGtkPrintTarget::BeginDoc(std::string_view title)
{
    FRecorder = std::make_unique<TPrintRecorder>(FMeasure, FChoice.Caps());
    FRecorder->BeginDoc(title);
}

ICanvas& TGtkPrintTarget::Canvas()
{
    return FRecorder->Canvas();
}

void TGtkPrintTarget::NewPage()
{
    FRecorder->NewPage();
}

void TGtkPrintTarget::EndDoc()
{
    FRecorder->EndDoc();
    Run();
    FRecorder.reset();
}

void TGtkPrintTarget::Abort() noexcept
{
    FRecorder.reset();
}

void TGtkPrintTarget::Run()
{
    wxPrintData& data = FChoice.Data();
    data.SetQuality(TPrinterChoice::Resolution);
    data.ConvertToNative();
    auto* native = static_cast<wxGtkPrintNativeData*>(data.GetNativeData());
    GtkPrintSettings* settings = gtk_print_settings_copy(native->GetPrintConfig());
    // Copies are separate jobs of their own.
    gtk_print_settings_set_n_copies(settings, 1);

    const TPrinterDeviceCaps caps = FChoice.Caps();
    GtkPageSetup* setup = gtk_page_setup_new();
    GtkPaperSize* paper
        = gtk_paper_size_new_custom("quillan", "Quillan", caps.PhysicalWidth * 72.0 / TPrinterChoice::Resolution,
            caps.PhysicalHeight * 72.0 / TPrinterChoice::Resolution, GTK_UNIT_POINTS);
    gtk_page_setup_set_paper_size(setup, paper);
    for (auto margin : { gtk_page_setup_set_top_margin, gtk_page_setup_set_bottom_margin,
             gtk_page_setup_set_left_margin, gtk_page_setup_set_right_margin })
        margin(setup, 0, GTK_UNIT_POINTS);

    GtkPrintOperation* op = gtk_print_operation_new();
    gtk_print_operation_set_print_settings(op, settings);
    gtk_print_operation_set_default_page_setup(op, setup);
    gtk_print_operation_set_use_full_page(op, TRUE);
    gtk_print_operation_set_unit(op, GTK_UNIT_POINTS);
    gtk_print_operation_set_n_pages(op, std::max(FRecorder->PageCount(), 1));
    gtk_print_operation_set_job_name(op, FRecorder->Title().c_str());
    if (!ExportFile.empty())
        gtk_print_operation_set_export_filename(op, ExportFile.c_str());
    TJob job { FRecorder.get(), &data };
    g_signal_connect(op, "draw-page", G_CALLBACK(DrawPage), &job);

    GError* error = nullptr;
    const GtkPrintOperationResult result = gtk_print_operation_run(
        op, ExportFile.empty() ? GTK_PRINT_OPERATION_ACTION_PRINT : GTK_PRINT_OPERATION_ACTION_EXPORT, nullptr, &error);
    std::string message;
    if (result == GTK_PRINT_OPERATION_RESULT_ERROR)
        message = error && error->message ? error->message : "Printing failed";
    if (error)
        g_error_free(error);
    g_object_unref(op);
    gtk_paper_size_free(paper);
    g_object_unref(setup);
    g_object_unref(settings);
    if (!message.empty())
        throw EQuillException(message);
    if (result == GTK_PRINT_OPERATION_RESULT_APPLY)
        ++FJobsDone;
}

} // namespace quillan
