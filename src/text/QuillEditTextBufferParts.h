#pragma once

// Shared by the files of TQuillEditStringList: the record array's memory, the tab expansion
// routine the list keeps, and the update bracket. Nothing outside the line store includes this.

#include "text/QuillEditTextBuffer.h"

#include <cstddef>

namespace quillan::linestore {

// Record arrays from a megabyte up live in mappings of their own (see QuillEditRecordMemory.cpp);
// smaller ones come from malloc. Every call gets the array's current size in bytes, since that
// decides which of the two holds it. All raise std::bad_alloc when memory runs out.
void* AllocRecords(std::size_t bytes);
// Keeps the first min(oldBytes, newBytes) bytes.
void* ResizeRecords(void* p, std::size_t oldBytes, std::size_t newBytes);
void FreeRecords(void* p, std::size_t bytes) noexcept;

// The ASCII tab expansion for a tab width: one routine each for width 1, powers of two and
// other widths, so that the per-tab step needs no division in the common cases.
using TExpandRoutine = QuillString (*)(const QuillString& line, int tabWidth, bool& hasTabs);
TExpandRoutine ExpandRoutineFor(int tabWidth);

// Runs body inside BeginUpdate/EndUpdate; the bracket closes also when body throws.
template <class Body> void Bracketed(TQuillEditStringList& list, Body&& body)
{
    list.BeginUpdate();
    try {
        body();
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

} // namespace quillan::linestore
