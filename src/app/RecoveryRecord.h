#pragma once

#include "base/QuillEditTypes.h"
#include "ports/FileWatch.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillan {

// What a recovery copy says about the document it was taken from. The file is this header in
// text, an empty line, then exactly Bytes bytes of the document's text with every line followed
// by its break:
//
//   QUILLAN-RECOVERY 1
//   name /home/ann/notes%0Aold.txt     (or: untitled 3)
//   breaks LF                          (or CRLF)
//   saved 1796745600
//   disk 1234 1796745000123456789 2049 131074   (named documents read from disk only)
//   form binary                        (only for a form file kept on disk in binary form)
//   bytes 5678
//
// Names are percent-encoded (%, bytes below 0x21 and 0x7F), since a path may hold any byte
// but "/" and NUL, line breaks included.
struct TRecoveryRecord {
    std::string FileName; // the document's path, or "Untitled"
    int UntitledSlot = -1; // the tab of an untitled document when the copy was taken
    TQuillEditLineBreakStyle LineBreak = TQuillEditLineBreakStyle::lbCRLF;
    std::int64_t SavedAt = 0; // seconds since the epoch
    TFileStamp Disk; // the file as the document last read or wrote it; Exists false if unknown
    // The text is a binary form file's text form: saving the recovered document writes it back
    // in binary, as the file was.
    bool BinaryForm = false;
    std::uint64_t Bytes = 0;
};

// Anything larger is not copied: the copy would take as long to write as the user types.
inline constexpr std::uint64_t RecoveryCopyLimit = std::uint64_t { 1 } << 30;

std::string FormatRecoveryHeader(const TRecoveryRecord& record);

// Splits a whole copy into its record and its text. False with a reason for anything that is not
// a complete copy: an unknown version, a missing, repeated or malformed field, a name that does
// not decode to an absolute path, a size over the limit, or text shorter or longer than the
// record says (a copy cut off by a crash or a full disk).
bool ParseRecoveryCopy(std::string_view bytes, TRecoveryRecord& record, std::string_view& text, std::string& error);

std::string EncodeRecoveryName(std::string_view name);
// False when `text` is not a valid encoding.
bool DecodeRecoveryName(std::string_view text, std::string& name);

} // namespace quillan
