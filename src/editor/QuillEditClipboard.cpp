#include "base/QuillEditStrConst.h"
#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>

namespace quillan {

// The private format carries the selection mode in front of the text, so that a column or line
// block pastes back as one; other programs see the plain text.

void TCustomQuillEdit::CopyToClipboard()
{
    if (!HasSelection() || !FHost)
        return;
    std::string text = SelectedText();
    std::string block;
    block.reserve(text.size() + 2);
    block += static_cast<char>(FSelectionMode);
    block += text;
    block += '\0';
    if (!FHost->Clipboard().SetContents(text, QuillEditClipboardFormat, block))
        throw EQuillEditError(SClipboardCopyFailed);
}

void TCustomQuillEdit::CutToClipboard()
{
    if (FReadOnly || !HasSelection() || !FHost)
        return;
    CopyToClipboard();
    TEditScope scope(*this);
    DeleteSelectionWithUndo(false);
}

bool TCustomQuillEdit::CanPaste()
{
    if (!FHost)
        return false;
    IClipboard& clipboard = FHost->Clipboard();
    return clipboard.HasText() || clipboard.HasFormat(QuillEditClipboardFormat);
}

void TCustomQuillEdit::PasteFromClipboard()
{
    if (FReadOnly || !FHost)
        return;
    IClipboard& clipboard = FHost->Clipboard();
    std::string text;
    TQuillSelectionMode mode = TQuillSelectionMode::smNormal;
    if (clipboard.HasFormat(QuillEditClipboardFormat)) {
        std::optional<std::string> block = clipboard.GetFormat(QuillEditClipboardFormat);
        if (!block || block->empty())
            throw EQuillEditError(SClipboardPasteFailed);
        auto m = static_cast<unsigned char>((*block)[0]);
        mode = m <= 2 ? static_cast<TQuillSelectionMode>(m) : TQuillSelectionMode::smNormal;
        // Only the final zero ends the text: the text itself may hold NUL bytes.
        std::size_t length = block->size() - 1;
        if (length > 0 && (*block)[block->size() - 1] == '\0')
            --length;
        text = block->substr(1, length);
    } else if (clipboard.HasText()) {
        std::optional<std::string> plain = clipboard.GetText();
        if (!plain)
            throw EQuillEditError(SClipboardPasteFailed);
        text = std::move(*plain);
    } else {
        return;
    }

    TEditScope scope(*this);
    TPastEolScope pastEol(*this);
    DeleteSelectionWithUndo(false);
    if (!text.empty()) {
        TBufferCoord at { FCaretX, FCaretY };
        switch (mode) {
        case TQuillSelectionMode::smNormal: {
            TInsertion inserted;
            {
                TUndoLockScope lock(*this);
                inserted = SetSelTextPrimitive(TQuillSelectionMode::smNormal, text);
            }
            RecordChange(TQuillChangeReason::ukPaste, inserted.Start, inserted.End, {}, TQuillSelectionMode::smNormal);
            break;
        }
        case TQuillSelectionMode::smLine: {
            TInsertion inserted;
            {
                TUndoLockScope lock(*this);
                inserted = SetSelTextPrimitive(TQuillSelectionMode::smLine, text);
            }
            // Ending in column 1 the block is whole lines; otherwise its last row joined a line.
            if (inserted.End.X == 1)
                RecordChange(TQuillChangeReason::ukPaste, inserted.Start, { 1, inserted.End.Y - 1 }, {},
                    TQuillSelectionMode::smLine);
            else
                RecordChange(
                    TQuillChangeReason::ukPaste, inserted.Start, inserted.End, {}, TQuillSelectionMode::smNormal);
            break;
        }
        case TQuillSelectionMode::smColumn: {
            {
                // One item per row: rows of a block need not be equally long in bytes, so a
                // single rectangle could not say exactly what to take away again.
                TUndoLockScope lock(*this);
                TPaintLockScope paint(*this);
                TLinesUpdateScope update(*FLines);
                InsertColumn(text, TQuillChangeReason::ukPaste);
            }
            int below = FCaretY + 1;
            InternalSetCaretXY({ std::min(at.X, FCaretX), std::min(below, std::max(1, FLines->Count())) }, true);
            break;
        }
        }
    }
    EnsureCursorPosVisible();
    StatusChanged(stSelection);
}

} // namespace quillan
