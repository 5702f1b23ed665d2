#pragma once

#include "ports/Canvas.h"
#include "ports/PrintTarget.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillan {

// A printer that keeps its pages: a job run on it measures on a real device's canvas (so it
// paginates exactly as that device) while its drawing is recorded page by page, to be replayed
// onto the device later. Toolkits whose printing asks for one page at a time (GTK draws page n
// when it wants it) get a complete engine job this way.
class TPrintRecorder : public IPrintTarget {
public:
    // `measure` answers the job's font measurements; it must measure like the device the pages
    // go to. `caps` is that device's sheet.
    TPrintRecorder(ICanvas& measure, const TPrinterDeviceCaps& caps);
    ~TPrintRecorder() override;
    TPrintRecorder(const TPrintRecorder&) = delete;
    TPrintRecorder& operator=(const TPrintRecorder&) = delete;

    bool GetDeviceCaps(TPrinterDeviceCaps& caps) override;
    void BeginDoc(std::string_view title) override;
    ICanvas& Canvas() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() noexcept override;
    bool Printing() const override { return FPrinting; }

    const std::string& Title() const { return FTitle; }
    // Whether the last job ran to its end.
    bool Completed() const { return FCompleted; }
    int PageCount() const { return static_cast<int>(FPages.size()); }
    // Draws page `index` (0-based) onto `target` as the job drew it.
    void ReplayPage(int index, ICanvas& target) const;

private:
    class TRecordingCanvas;
    using TCall = std::function<void(ICanvas&)>;

    ICanvas& FMeasure;
    TPrinterDeviceCaps FCaps;
    std::unique_ptr<TRecordingCanvas> FCanvas;
    std::vector<std::vector<TCall>> FPages;
    std::string FTitle;
    bool FPrinting = false;
    bool FCompleted = false;
};

} // namespace quillan
