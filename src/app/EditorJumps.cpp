#include "app/EditorJumps.h"

#include "app/MainFormModel.h"
#include "editor/QuillEdit.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace quillan {

int LineNumberFromText(std::string_view text)
{
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ')
        digits.remove_suffix(1);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto [at, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || error != std::errc() || at != end)
        throw std::invalid_argument("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

void GoToLine(TCustomQuillEdit& edit, int line)
{
    line = std::clamp(line, 1, std::max(1, edit.LineCount()));
    edit.SetTopLine(line);
    edit.SetCaretLine(line);
}

const char* DateTimePattern(TDateTimeFormat format)
{
    switch (format) {
    case TDateTimeFormat::ShortDateTime:
        return "hh:nn yy/mm/dd";
    case TDateTimeFormat::ShortDate:
        return "yy/mm/dd";
    case TDateTimeFormat::LongDate:
        return "yyyy/mm/dd";
    case TDateTimeFormat::ShortTime:
        return "hh:nn";
    case TDateTimeFormat::LongTime:
        return "hh:nn:ss";
    }
    return "";
}

namespace {

void AppendNumber(std::string& out, int value, int digits)
{
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    out += s;
}

} // namespace

std::string FormatDateTime(std::string_view pattern, const TDateTimeParts& at, const TDateTimeSeparators& separators)
{
    std::string out;
    std::size_t i = 0;
    auto next = [&](std::string_view token) {
        if (pattern.substr(i, token.size()) != token)
            return false;
        i += token.size();
        return true;
    };
    while (i < pattern.size()) {
        if (next("yyyy"))
            AppendNumber(out, at.Year, 4);
        else if (next("yy"))
            AppendNumber(out, ((at.Year % 100) + 100) % 100, 2);
        else if (next("mm"))
            AppendNumber(out, at.Month, 2);
        else if (next("dd"))
            AppendNumber(out, at.Day, 2);
        else if (next("hh"))
            AppendNumber(out, at.Hour, 2);
        else if (next("nn"))
            AppendNumber(out, at.Minute, 2);
        else if (next("ss"))
            AppendNumber(out, at.Second, 2);
        else if (next("/"))
            out += separators.Date;
        else if (next(":"))
            out += separators.Time;
        else
            out += pattern[i++];
    }
    return out;
}

std::string SeparatorIn(std::string_view formatted, std::string_view fallback)
{
    for (std::size_t i = 0; i < formatted.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(formatted[i]);
        if ((c >= '0' && c <= '9') || c == ' ')
            continue;
        // A whole character, however many bytes it takes.
        std::size_t end = i + 1;
        while (end < formatted.size() && (static_cast<unsigned char>(formatted[end]) & 0xC0) == 0x80)
            ++end;
        return std::string(formatted.substr(i, end - i));
    }
    return std::string(fallback);
}

void InsertDateTime(
    TCustomQuillEdit& edit, TDateTimeFormat format, const TDateTimeParts& at, const TDateTimeSeparators& separators)
{
    edit.ReplaceSelection(FormatDateTime(DateTimePattern(format), at, separators));
}

namespace {

bool Marked(const TMainFormModel& model, int slot)
{
    return model.BookmarkStates(slot) == bsBookmarked;
}

void GoToBookmark(TMainFormModel& model, int slot)
{
    model.View().ActivateTab(slot);
    model.PageControl1Change(slot);
    model.View().SelectListRow(slot);
    model.View().FocusEditor(slot);
    model.UpdateDocumentState(slot);
    model.UpdateInsertPanel();
}

} // namespace

void ToggleFileBookmark(TMainFormModel& model)
{
    const int slot = model.ActiveSlot();
    if (!model.Editors(slot))
        return;
    model.SetBookmarkState(slot, Marked(model, slot) ? bsNone : bsBookmarked);
    model.UpdateDocumentState(slot);
    model.UpdateInsertPanel();
}

bool NextFileBookmark(TMainFormModel& model)
{
    const int active = model.ActiveSlot();
    if (active < 0)
        return false;
    for (int slot = active + (Marked(model, active) ? 1 : 0); slot <= model.LastIndex(); ++slot) {
        if (Marked(model, slot)) {
            GoToBookmark(model, slot);
            return true;
        }
    }
    return false;
}

bool PreviousFileBookmark(TMainFormModel& model)
{
    const int active = model.ActiveSlot();
    if (active < 0)
        return false;
    for (int slot = active - (Marked(model, active) ? 1 : 0); slot >= 0; --slot) {
        if (Marked(model, slot)) {
            GoToBookmark(model, slot);
            return true;
        }
    }
    return false;
}

std::string FileInfoText(const TMainFormModel& model)
{
    const TQuillEdit* edit = model.ActiveEditor();
    if (!edit)
        return {};
    return "File Name: " + model.FileNames(model.ActiveSlot()) + "\nLines: " + std::to_string(edit->LineCount())
        + "\nModified Status: " + (edit->Modified() ? "Modified" : "Unmodified")
        + "\nRead-Only: " + (edit->ReadOnly() ? "Yes" : "No");
}

void ShowFileInfo(TMainFormModel& model)
{
    const std::string text = FileInfoText(model);
    if (!text.empty())
        model.UI().MessageDlg(text, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
}

} // namespace quillan
