#pragma once

#include <string>
#include <string_view>

namespace quillan {

class TCustomQuillEdit;
class TMainFormModel;

// --- go to line ------------------------------------------------------------------------------

// The line number typed into the jump window. A text that is not a whole number throws
// std::invalid_argument with the conversion message ("'x' is not a valid integer value").
int LineNumberFromText(std::string_view text);
// Scrolls the line to the top and puts the caret on it; 0 or a line past the end lands on the
// nearest line there is.
void GoToLine(TCustomQuillEdit& edit, int line);

// --- date and time ---------------------------------------------------------------------------

enum class TDateTimeFormat { ShortDateTime, ShortDate, LongDate, ShortTime, LongTime };

struct TDateTimeParts {
    int Year = 0, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};

// The user's separators: "/" and ":" of the patterns stand for these.
struct TDateTimeSeparators {
    std::string Date = "/";
    std::string Time = ":";
};

const char* DateTimePattern(TDateTimeFormat format);
// Pattern letters: hh nn ss (hour, minutes, seconds), yy yyyy (year), mm (month), dd (day).
// "/" and ":" become the separators; anything else is copied.
std::string FormatDateTime(std::string_view pattern, const TDateTimeParts& at, const TDateTimeSeparators& separators);
// The first character of a formatted date or time that is not a digit or a blank: the
// separator the locale puts between its fields. `fallback` when there is none.
std::string SeparatorIn(std::string_view formatted, std::string_view fallback);
// Replaces the selection (or inserts at the caret) by the formatted text, as one undoable edit.
void InsertDateTime(
    TCustomQuillEdit& edit, TDateTimeFormat format, const TDateTimeParts& at, const TDateTimeSeparators& separators);

// --- file bookmarks and File Info ------------------------------------------------------------

// Marks or unmarks the active document.
void ToggleFileBookmark(TMainFormModel& model);
// The next (previous) marked document after (before) the active one becomes active; nothing
// when there is none that way. False when nothing moved.
bool NextFileBookmark(TMainFormModel& model);
bool PreviousFileBookmark(TMainFormModel& model);
// The four lines of File Info for the active document ("" without one).
std::string FileInfoText(const TMainFormModel& model);
void ShowFileInfo(TMainFormModel& model);

} // namespace quillan
