#pragma once

#include <string>

namespace quillan {

class TQuillEditStringList;

// Form files on disk: a resource header (0xFF, type 10, the upper-cased class name, flags 0x1030,
// the size) and the binary object stream. Both return 0 on success, the negated errno of a failed
// system call, or -1 for any other failure (a malformed file or text); neither raises.
// `errorMessage`, when given, receives the reason of a failure (for -1 the conversion's message,
// with the line number for text errors).

// Clears `lines` and fills them with the text form; after a failure they stay empty.
int LoadFormFileAsText(const std::string& fileName, TQuillEditStringList& lines, std::string* errorMessage = nullptr);

// Converts the text and replaces the file only with a complete copy: after a failure the old file
// is as it was (or there is still none).
int SaveTextAsFormFile(
    const TQuillEditStringList& lines, const std::string& fileName, std::string* errorMessage = nullptr);

} // namespace quillan
