#include "backends/wx/WxClipboard.h"

#include "backends/wx/WxText.h"

#include <wx/clipbrd.h>
#include <wx/dataobj.h>

namespace quillan {

namespace {

wxDataFormat NamedFormat(std::string_view name)
{
    return wxDataFormat(Utf8ToWx(name));
}

// Opens the clipboard for the life of the scope. Asking GTK what the clipboard holds runs a
// nested event loop, in which an update of the menus may ask again: that inner question finds
// the clipboard open and gets no answer, where opening it twice would stop on an assertion.
class TOpenClipboard {
public:
    TOpenClipboard()
        : FOpen(!wxTheClipboard->IsOpened() && wxTheClipboard->Open())
    {
    }
    ~TOpenClipboard()
    {
        if (FOpen)
            wxTheClipboard->Close();
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
    explicit operator bool() const { return FOpen; }

private:
    bool FOpen;
};

bool HasPlainText()
{
    return wxTheClipboard->IsSupported(wxDataFormat(wxDF_UNICODETEXT))
        || wxTheClipboard->IsSupported(wxDataFormat(wxDF_TEXT));
}

} // namespace

bool TWxClipboard::SetContents(std::string_view text, std::string_view formatName, std::string_view formatData)
{
    TOpenClipboard open;
    if (!open)
        return false;
    auto* composite = new wxDataObjectComposite;
    composite->Add(new wxTextDataObject(Utf8ToWx(text)), true);
    if (!formatName.empty()) {
        auto* custom = new wxCustomDataObject(NamedFormat(formatName));
        // An empty buffer would make the format look absent to the reader.
        custom->SetData(formatData.size(), formatData.empty() ? "" : formatData.data());
        composite->Add(custom);
    }
    // The clipboard owns the object from here, also when it refuses it.
    return wxTheClipboard->SetData(composite);
}

bool TWxClipboard::HasText()
{
    TOpenClipboard open;
    return open && HasPlainText();
}

bool TWxClipboard::HasFormat(std::string_view formatName)
{
    TOpenClipboard open;
    return open && wxTheClipboard->IsSupported(NamedFormat(formatName));
}

std::optional<std::string> TWxClipboard::GetText()
{
    TOpenClipboard open;
    if (!open || !HasPlainText())
        return std::nullopt;
    wxTextDataObject data;
    if (!wxTheClipboard->GetData(data))
        return std::nullopt;
    return WxToUtf8(data.GetText());
}

std::optional<std::string> TWxClipboard::GetFormat(std::string_view formatName)
{
    TOpenClipboard open;
    const wxDataFormat format = NamedFormat(formatName);
    if (!open || !wxTheClipboard->IsSupported(format))
        return std::nullopt;
    wxCustomDataObject data(format);
    if (!wxTheClipboard->GetData(data))
        return std::nullopt;
    if (data.GetSize() == 0)
        return std::string();
    return std::string(static_cast<const char*>(data.GetData()), data.GetSize());
}

void TWxClipboard::ReleaseAtExit()
{
    if (!wxTheClipboard)
        return;
    wxTheClipboard->UsePrimarySelection(true);
    wxTheClipboard->Clear();
    wxTheClipboard->UsePrimarySelection(false);
}

} // namespace quillan
