#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace quillan {

// The messages the user sees; their wording is fixed because the shell shows them verbatim.
inline constexpr const char* SInvalidStringListIndex = "Invalid stringlist index %d";
inline constexpr const char* SShortcutExists = "Shortcut already exists";
inline constexpr const char* SCannotOpenFile = "Cannot open file %s";
inline constexpr const char* SCannotCreateFile = "Cannot create file %s";
inline constexpr const char* SStreamReadError = "Stream read error";
inline constexpr const char* SStreamWriteError = "Stream write error";
inline constexpr const char* SClipboardCopyFailed = "Clipboard copy operation failed";
inline constexpr const char* SClipboardPasteFailed = "Clipboard paste operation failed.";
inline constexpr const char* SCannotAssign = "Cannot assign a %s to a %s";

// Replaces the first "%s" or "%d" of a message template, in order, by the given arguments.
std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> args);
std::string FormatMessage(std::string_view pattern, int value);

class EQuillException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EQuillEditStringList : public EQuillException {
public:
    explicit EQuillEditStringList(int index)
        : EQuillException(FormatMessage(SInvalidStringListIndex, index))
    {
    }
};

class EQuillKeyError : public EQuillException {
public:
    EQuillKeyError()
        : EQuillException(SShortcutExists)
    {
    }
};

class EQuillEditError : public EQuillException {
public:
    using EQuillException::EQuillException;
};

class EConvertError : public EQuillException {
public:
    using EQuillException::EQuillException;
};

// File errors; the file commands report their message as it stands.
class EFileError : public EQuillException {
public:
    using EQuillException::EQuillException;
};

class EFOpenError : public EFileError {
public:
    explicit EFOpenError(std::string_view fileName)
        : EFileError(FormatMessage(SCannotOpenFile, { fileName }))
    {
    }
};

class EFCreateError : public EFileError {
public:
    explicit EFCreateError(std::string_view fileName)
        : EFileError(FormatMessage(SCannotCreateFile, { fileName }))
    {
    }
};

class EReadError : public EFileError {
public:
    EReadError()
        : EFileError(SStreamReadError)
    {
    }
};

class EWriteError : public EFileError {
public:
    EWriteError()
        : EFileError(SStreamWriteError)
    {
    }
};

} // namespace quillan
