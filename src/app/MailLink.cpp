#include "app/MailLink.h"

#include "app/AppStrings.h"
#include "base/Paths.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillan {

std::string ProposedSubject(std::string_view fileName)
{
    if (fileName == SUntitled)
        return SSendSubjectPlaceholder;
    return ExtractFileName(fileName);
}

std::optional<std::string> SubjectToSend(bool accepted, std::string_view boxText, std::string_view fileName)
{
    if (!accepted)
        return std::nullopt;
    if (boxText.empty())
        return ExtractFileName(fileName);
    return std::string(boxText);
}

bool NeedsAttachment(std::string_view text)
{
    return text.size() > MaxBodyBytes || text.find('\0') != std::string_view::npos;
}

std::string AttachmentNote(std::string_view attachmentName)
{
    return "The document is attached to this message as " + std::string(attachmentName) + ".\r\n";
}

std::string AttachmentName(std::string_view fileName)
{
    if (fileName == SUntitled)
        return std::string(SUntitled) + ".txt";
    return ExtractFileName(fileName);
}

std::vector<std::string> MailCommand(
    std::string_view subject, std::string_view text, std::string_view attachment, std::string_view attachmentName)
{
    std::vector<std::string> args { SMailComposer, "--subject", std::string(subject), "--body" };
    if (attachment.empty()) {
        args.emplace_back(text);
    } else {
        args.push_back(AttachmentNote(attachmentName));
        args.emplace_back("--attach");
        args.emplace_back(attachment);
    }
    return args;
}

std::vector<std::string> OpenCommand(std::string_view target)
{
    return { SOpener, std::string(target) };
}

namespace {

std::string Encode(std::string_view text, std::string_view keep)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~' || keep.find(ch) != std::string_view::npos;
        if (unreserved) {
            out += ch;
        } else {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 15];
        }
    }
    return out;
}

} // namespace

std::string PercentEncode(std::string_view text)
{
    return Encode(text, {});
}

std::string MailtoUrl(std::string_view address, std::string_view subject)
{
    return "mailto:" + Encode(address, "@") + "?subject=" + PercentEncode(subject);
}

std::string FileUrl(std::string_view absolutePath, std::string_view anchor)
{
    std::string url = "file://" + Encode(absolutePath, "/");
    if (!anchor.empty())
        url += "#" + PercentEncode(anchor);
    return url;
}

std::string FindOnPath(std::string_view name, std::string_view pathVariable)
{
    if (name.empty() || name.find('/') != std::string_view::npos)
        return {};
    std::size_t start = 0;
    while (start <= pathVariable.size()) {
        std::size_t end = pathVariable.find(':', start);
        if (end == std::string_view::npos)
            end = pathVariable.size();
        const std::string_view folder = pathVariable.substr(start, end - start);
        if (!folder.empty() && folder.front() == '/') {
            const std::string candidate = JoinPath(folder, name);
            if (FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

TMailAttachments::TMailAttachments(std::string folder)
    : FFolder(std::move(folder))
{
}

TMailAttachments::~TMailAttachments()
{
    RemoveAll();
}

std::string TMailAttachments::Add(std::string_view name, std::string_view text)
{
    namespace fs = std::filesystem;
    if (::mkdir(FFolder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    std::string sub;
    // A fresh folder per send: another send of the same name must not overwrite a file that the
    // composer may not have read yet, and the attachment keeps the document's own name.
    for (int tries = 0; tries < 1000; ++tries) {
        const std::string candidate = JoinPath(FFolder, std::to_string(FNext++));
        if (::mkdir(candidate.c_str(), 0700) == 0) {
            sub = candidate;
            break;
        }
        if (errno != EEXIST)
            return {};
    }
    if (sub.empty())
        return {};
    const std::string path = JoinPath(sub, name);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove_all(sub, ec);
            return {};
        }
    }
    FFiles.push_back(path);
    return path;
}

void TMailAttachments::RemoveAll()
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const std::string& file : FFiles) {
        fs::remove(file, ec);
        fs::remove(FolderOf(file), ec);
    }
    FFiles.clear();
    // Only when empty: the folder may be shared with another running copy's leftovers.
    fs::remove(FFolder, ec);
}

} // namespace quillan
