#include "editor/QuillEdit.h"

#include <algorithm>

namespace quillan {

// The window knows the control only as its client; these hand its input on to the control's
// own methods.

void TCustomQuillEdit::Resized()
{
    Resize();
}

void TCustomQuillEdit::FocusIn()
{
    FocusEnter();
}

void TCustomQuillEdit::FocusOut()
{
    FocusExit();
}

void TCustomQuillEdit::CharTyped(char32_t ch)
{
    KeyPress(ch);
}

void TCustomQuillEdit::InputMethodText(std::string_view text)
{
    ImeString(text);
}

bool TCustomQuillEdit::TakesFileDrops() const
{
    return FOptions.Contains(TQuillEditorOption::eoDropFiles);
}

void TCustomQuillEdit::FilesDropped(int x, int y, const std::vector<std::string>& files)
{
    DropFiles(x, y, files);
}

// A source that is another kind of client cannot give its text up as a control does; its text
// counts as text from elsewhere.
TDropEffect TCustomQuillEdit::TextDragOver(const IEditorWindowClient* source, TShiftState shift, int x, int y)
{
    return DragOver(dynamic_cast<const TCustomQuillEdit*>(source), shift, x, y);
}

void TCustomQuillEdit::TextDragLeave()
{
    DragLeave();
}

bool TCustomQuillEdit::TextDragDrop(IEditorWindowClient* source, TShiftState shift, int x, int y)
{
    return DragDrop(dynamic_cast<TCustomQuillEdit*>(source), shift, x, y);
}

bool TCustomQuillEdit::TextDropped(std::string_view text, int x, int y)
{
    return DropText(text, x, y);
}

bool TCustomQuillEdit::TakesTextDrops() const
{
    return !ReadOnly();
}

TRect TCustomQuillEdit::CaretCell() const
{
    const TPoint at = CaretClientPos();
    return { at.X, at.Y, at.X + FCharWidth, at.Y + FLineHeight };
}

TRect TCustomQuillEdit::TextArea() const
{
    return { FGutterWidth, 0, std::max(FClientSize.Width, FGutterWidth), FClientSize.Height };
}

} // namespace quillan
