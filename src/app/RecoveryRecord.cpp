#include "app/RecoveryRecord.h"

#include "app/AppStrings.h"

#include <charconv>
#include <limits>

namespace quillan {

namespace {

constexpr std::string_view Magic = "QUILLAN-RECOVERY 1";

template <typename T> bool ParseNumber(std::string_view text, T& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Fail(std::string& error, std::string_view why)
{
    error = why;
    return false;
}

} // namespace

std::string EncodeRecoveryName(std::string_view name)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F || c == '%') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

bool DecodeRecoveryName(std::string_view text, std::string& name)
{
    name.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c == 0x7F)
            return false;
        if (c != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int hi = HexValue(text[i + 1]);
        const int lo = HexValue(text[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        const char decoded = static_cast<char>(hi * 16 + lo);
        if (decoded == '\0')
            return false;
        name += decoded;
        i += 2;
    }
    return true;
}

std::string FormatRecoveryHeader(const TRecoveryRecord& record)
{
    std::string out(Magic);
    out += '\n';
    if (record.FileName == SUntitled)
        out += "untitled " + std::to_string(record.UntitledSlot < 0 ? 0 : record.UntitledSlot) + "\n";
    else
        out += "name " + EncodeRecoveryName(record.FileName) + "\n";
    out += record.LineBreak == TQuillEditLineBreakStyle::lbCRLF ? "breaks CRLF\n" : "breaks LF\n";
    out += "saved " + std::to_string(record.SavedAt) + "\n";
    if (record.Disk.Exists)
        out += "disk " + std::to_string(record.Disk.Size) + " " + std::to_string(record.Disk.ModifiedNs) + " "
            + std::to_string(record.Disk.Device) + " " + std::to_string(record.Disk.Inode) + "\n";
    if (record.BinaryForm)
        out += "form binary\n";
    out += "bytes " + std::to_string(record.Bytes) + "\n\n";
    return out;
}

bool ParseRecoveryCopy(std::string_view bytes, TRecoveryRecord& record, std::string_view& text, std::string& error)
{
    record = TRecoveryRecord {};
    text = {};
    // A header is a handful of short lines; a long name is at most a few KiB encoded.
    constexpr std::size_t headerLimit = 64 * 1024;
    const std::size_t end = bytes.substr(0, headerLimit).find("\n\n");
    if (end == std::string_view::npos)
        return Fail(error,
            bytes.starts_with(Magic) || Magic.starts_with(bytes) ? "the record is incomplete" : "not a recovery copy");
    std::string_view header = bytes.substr(0, end + 1);
    const std::size_t firstBreak = header.find('\n');
    if (header.substr(0, firstBreak) != Magic)
        return Fail(error, "not a recovery copy of a known version");
    header.remove_prefix(firstBreak + 1);

    bool haveName = false, haveBreaks = false, haveSaved = false, haveDisk = false, haveForm = false, haveBytes = false;
    while (!header.empty()) {
        const std::size_t nl = header.find('\n');
        const std::string_view line = header.substr(0, nl);
        header.remove_prefix(nl + 1);
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos)
            return Fail(error, "a field of the record has no value");
        const std::string_view key = line.substr(0, space);
        const std::string_view value = line.substr(space + 1);
        auto once = [&](bool& seen) {
            if (seen)
                return false;
            seen = true;
            return true;
        };
        if (key == "name" || key == "untitled") {
            if (!once(haveName))
                return Fail(error, "the record names its document twice");
            if (key == "untitled") {
                if (!ParseNumber(value, record.UntitledSlot) || record.UntitledSlot < 0)
                    return Fail(error, "the record's untitled slot is not a number");
                record.FileName = SUntitled;
            } else if (!DecodeRecoveryName(value, record.FileName) || !record.FileName.starts_with('/')) {
                return Fail(error, "the record's file name is not an absolute path");
            }
        } else if (key == "breaks") {
            if (!once(haveBreaks))
                return Fail(error, "the record gives its line breaks twice");
            if (value == "CRLF")
                record.LineBreak = TQuillEditLineBreakStyle::lbCRLF;
            else if (value == "LF")
                record.LineBreak = TQuillEditLineBreakStyle::lbLF;
            else
                return Fail(error, "the record's line break style is unknown");
        } else if (key == "saved") {
            if (!once(haveSaved) || !ParseNumber(value, record.SavedAt))
                return Fail(error, "the record's time is not a number");
        } else if (key == "disk") {
            if (!once(haveDisk))
                return Fail(error, "the record gives the file's stamp twice");
            std::string_view rest = value;
            auto next = [&rest]() {
                const std::size_t sp = rest.find(' ');
                const std::string_view part = rest.substr(0, sp);
                rest = sp == std::string_view::npos ? std::string_view() : rest.substr(sp + 1);
                return part;
            };
            TFileStamp& d = record.Disk;
            if (!ParseNumber(next(), d.Size) || !ParseNumber(next(), d.ModifiedNs) || !ParseNumber(next(), d.Device)
                || !ParseNumber(next(), d.Inode) || !rest.empty())
                return Fail(error, "the record's file stamp is malformed");
            d.Exists = true;
        } else if (key == "form") {
            if (!once(haveForm) || value != "binary")
                return Fail(error, "the record's form field is malformed");
            record.BinaryForm = true;
        } else if (key == "bytes") {
            if (!once(haveBytes) || !ParseNumber(value, record.Bytes))
                return Fail(error, "the record's size is not a number");
        } else {
            return Fail(error, "the record has an unknown field");
        }
    }
    if (!haveName || !haveBreaks || !haveSaved || !haveBytes)
        return Fail(error, "the record lacks a field");
    if (record.Bytes > RecoveryCopyLimit)
        return Fail(error, "the record claims more text than a copy may hold");
    const std::string_view body = bytes.substr(end + 2);
    if (body.size() != record.Bytes)
        return Fail(error, body.size() < record.Bytes ? "the copy is cut short" : "the copy is longer than its record");
    text = body;
    return true;
}

} // namespace quillan
