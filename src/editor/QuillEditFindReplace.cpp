#include "editor/QuillEdit.h"
#include "editor/QuillEditPrivate.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace quillan {

int TCustomQuillEdit::SearchReplace(std::string_view search, std::string_view replace, TQuillSearchOptions options)
{
    if (search.empty() || FLines->Count() == 0)
        return 0;
    const bool backwards = options & srBackwards;
    const bool selectionOnly = (options & srSelectionOnly) && HasSelection();
    const bool replacing = options & (srReplace | srReplaceAll);
    bool replaceAll = options & srReplaceAll;
    bool prompt = options & srPrompt;
    const int count = FLines->Count();

    // The scope's columns only matter on its first and last lines, except for a column block
    // where they bound every line. A scope that is not a selection is a stream whatever the
    // selection mode, so that a search from the caret never finds what lies behind it.
    TQuillSelectionMode scopeMode = TQuillSelectionMode::smNormal;
    TBufferCoord first { 1, 1 };
    TBufferCoord last { LineLength(count) + 1, count };
    if (selectionOnly) {
        scopeMode = FSelectionMode;
        first = SelectionStart();
        last = SelectionStop();
        first.Y = std::clamp(first.Y, 1, count);
        last.Y = std::clamp(last.Y, 1, count);
        if (scopeMode == TQuillSelectionMode::smLine) {
            first.X = 1;
            last.X = LineLength(last.Y) + 1;
        } else if (scopeMode == TQuillSelectionMode::smColumn) {
            // Display columns; each line's bytes are taken when the search reaches it.
            std::tie(first.X, last.X) = ColumnBlockEdges();
        }
    } else if (!(options & srEntireScope)) {
        TBufferCoord caret { FCaretX, std::clamp(FCaretY, 1, count) };
        if (backwards)
            last = caret;
        else
            first = caret;
    }

    FSearchEngine.SetSensitive(options & srMatchCase);
    FSearchEngine.SetWhole(options & srWholeWord);
    FSearchEngine.SetPattern(search);
    std::optional<TPaintLockScope> lock;
    if (replaceAll)
        lock.emplace(*this);

    const int searchLength = static_cast<int>(search.size());
    int found = 0;
    for (int y = backwards ? last.Y : first.Y; backwards ? y >= first.Y : y <= last.Y; y += backwards ? -1 : 1) {
        int n = FSearchEngine.FindAll(LineView(y));
        // The block's bytes on this line, as 1-based columns [blockLeft, blockRight).
        int blockLeft = 0, blockRight = 0;
        if (scopeMode == TQuillSelectionMode::smColumn) {
            auto [a, b] = ColumnBlockBytes(y, first.X, last.X);
            blockLeft = static_cast<int>(a) + 1;
            blockRight = static_cast<int>(b) + 1;
        }
        // Replacing on this line moves the later matches and, on a column block, its right edge.
        int lineShift = 0;
        for (int k = backwards ? n - 1 : 0; backwards ? k >= 0 : k < n; k += backwards ? -1 : 1) {
            int p = FSearchEngine.Results(k);
            int stop = p + searchLength;
            if (scopeMode == TQuillSelectionMode::smNormal) {
                if ((y == first.Y && p < first.X) || (y == last.Y && stop > last.X))
                    continue;
            } else if (scopeMode == TQuillSelectionMode::smColumn) {
                if (p < blockLeft || stop > blockRight + lineShift)
                    continue;
            }
            // A pattern that is not whole characters (a lone continuation byte, say) can match
            // inside one; such a match cannot be selected and is not one.
            std::string_view text = LineView(y);
            if (!utf8::IsBoundary(text, static_cast<std::size_t>(p - 1))
                || !utf8::IsBoundary(text, static_cast<std::size_t>(stop - 1)))
                continue;
            ++found;
            // The match is selected as a stream of characters whatever the selection mode, so
            // that replacing it never takes more than the match.
            TQuillSelectionMode mode = FSelectionMode;
            if (mode == TQuillSelectionMode::smLine)
                FSelectionMode = TQuillSelectionMode::smNormal;
            {
                TPaintLockScope select(*this);
                SetSelectionRaw({ p, y }, { stop, y });
                InternalSetCaretXY({ backwards ? p : stop, y }, true);
            }
            if (!replacing) {
                FSelectionMode = mode;
                return found;
            }
            TQuillReplaceAction action = TQuillReplaceAction::rpReplace;
            if (prompt && OnReplaceText) {
                action = TQuillReplaceAction::rpCancel;
                FSelectionMode = mode;
                OnReplaceText(this, std::string(search), std::string(replace), y, p, action);
                if (mode == TQuillSelectionMode::smLine)
                    FSelectionMode = TQuillSelectionMode::smNormal;
            }
            if (action == TQuillReplaceAction::rpCancel) {
                FSelectionMode = mode;
                return found;
            }
            if (action == TQuillReplaceAction::rpReplaceAll) {
                replaceAll = true;
                prompt = false;
                if (!lock)
                    lock.emplace(*this);
            }
            if (action != TQuillReplaceAction::rpSkip && !FReadOnly) {
                try {
                    ReplaceSelection(replace);
                } catch (...) {
                    FSelectionMode = mode;
                    throw;
                }
                // The replacement may hold line breaks: the rest of the line now follows the
                // replacement's end, wherever that is. It is computed, not read from the caret,
                // which keeps off the middle of characters that bytes not in UTF-8 may form.
                std::vector<std::string_view> rows = SplitRows(replace);
                int endLine = y + static_cast<int>(rows.size()) - 1;
                int endColumn = static_cast<int>(rows.back().size()) + (rows.size() == 1 ? p : 1);
                int shift = endColumn - stop;
                if (!backwards) {
                    FSearchEngine.FixResults(p, -shift);
                    if (y == last.Y && scopeMode != TQuillSelectionMode::smColumn)
                        last.X += shift;
                    if (endLine != y) {
                        last.Y += endLine - y;
                        y = endLine;
                    }
                    lineShift += shift;
                }
            }
            FSelectionMode = mode;
            if (!replaceAll)
                return found;
        }
    }
    return found;
}

} // namespace quillan
