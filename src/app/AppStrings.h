#pragma once

namespace quillan {

// Words and messages of the main window. Users and tests know them verbatim, so they are used as
// they stand; "%s" is filled with FormatMessage. A line break inside a message is "\n", which
// every toolkit's message box shows as one.

inline constexpr const char* SAppTitle = "Quillan"; // also the main window's caption
inline constexpr const char* SProductLine = "Quillan v1.2.0";
inline constexpr const char* SHelpFile = "Quillan.hlp";
inline constexpr const char* SUntitled = "Untitled";

// Message boxes
inline constexpr const char* SFileLimitReached = "File limit reached!";
inline constexpr const char* SFileNotFound = "File not found!";
inline constexpr const char* SSaveChanges = "Save changes to %s?";
inline constexpr const char* SOkToOverwrite = "OK to overwrite %s ?";
inline constexpr const char* SSaveAsTxt = "Do you want to save this file as a TXT file?";
inline constexpr const char* SAlreadyOpen
    = "At least one copy of this file is already open.\nReally open another copy?";
inline constexpr const char* SSettingsUnreadable
    = "The settings could not be read (%s).\nQuillan uses its defaults and will not write the settings file.";

// File dialogs
inline constexpr const char* SOpenDialogTitle = "Open file...";
inline constexpr const char* SSaveDialogTitle = "Save file as...";
inline constexpr const char* STextFilesFilter = "Text files (*.txt)|*.txt|";
inline constexpr const char* SAllFilesFilter = "All files (*.*)|*.*";

// Status bar
inline constexpr const char* SCaretPanel = "L: %3d   C: %3d"; // printf-style: line, column
inline constexpr const char* SStateModified = "Modified";
inline constexpr const char* SStateReadOnly = "Read-Only";
inline constexpr const char* SStateUnmodified = "Unmodified";
inline constexpr const char* SInsertMode = "Insert";
inline constexpr const char* SOverwriteMode = "Overwrite";

} // namespace quillan
