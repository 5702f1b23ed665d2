#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillan {

// Handing documents and addresses to the desktop's programs: the mail composer (xdg-email) and
// the browser (xdg-open). Every value travels as its own argument of an argument array that is
// executed without a shell, or percent-encoded inside a URL, so no text of a document, subject
// or file name can ever be read as a command.

inline constexpr const char* SSendSubjectPlaceholder = "Put the subject here...";
inline constexpr const char* SSendFailed = "Oops!";
inline constexpr const char* SMailComposer = "xdg-email";
inline constexpr const char* SOpener = "xdg-open";
inline constexpr const char* SOpenFailed = "%s could not be started.";

// The subject the send window proposes for a document: its file name without folder, or the
// placeholder for an untitled document.
std::string ProposedSubject(std::string_view fileName);

// The subject sent after the send window closed: nothing when it was not accepted (Escape);
// the box's text as the user left it; the document's file name without folder when the box was
// cleared.
std::optional<std::string> SubjectToSend(bool accepted, std::string_view boxText, std::string_view fileName);

// Above this size the text goes as an attached file: Linux refuses a single argument longer than
// 128 KiB, and mail programs choke on mailto: URLs long before that.
inline constexpr std::size_t MaxBodyBytes = 100 * 1024;

// Whether the document's text must be attached instead of being the message body: too long, or
// holding a NUL byte, which would silently end an argument in the middle of the text.
bool NeedsAttachment(std::string_view text);

// The message body when the text is attached.
std::string AttachmentNote(std::string_view attachmentName);

// The name the attached copy gets: the document's own name, "Untitled.txt" for an untitled one.
std::string AttachmentName(std::string_view fileName);

// xdg-email's arguments, the program first: with an empty `attachment` the text is the body;
// otherwise the file is attached and the body says so.
std::vector<std::string> MailCommand(
    std::string_view subject, std::string_view text, std::string_view attachment, std::string_view attachmentName);

// xdg-open's arguments, the program first, for a file path or an address.
std::vector<std::string> OpenCommand(std::string_view target);

// RFC 3986 percent-encoding: letters, digits and "-._~" stay, every other byte becomes %XX.
std::string PercentEncode(std::string_view text);
// "mailto:" + address + "?subject=" + the percent-encoded subject; the address is encoded too
// except for "@", so a crafted address cannot add headers or recipients.
std::string MailtoUrl(std::string_view address, std::string_view subject);
// "file://" + the percent-encoded absolute path (slashes kept) + "#" + anchor when one is given.
std::string FileUrl(std::string_view absolutePath, std::string_view anchor = {});

// The executable file `name` in one of the folders of `pathVariable` ("/usr/bin:/bin"); empty
// when none has it. Empty entries and relative folders are skipped: the current folder is no
// place to pick up a program from.
std::string FindOnPath(std::string_view name, std::string_view pathVariable);

// Copies of documents handed to the mail composer as attachments. The composer reads them after
// the program has gone on, so they stay until this object is destroyed (at exit), which removes
// them and the folder it made.
class TMailAttachments {
public:
    // `folder` is made (0700) on first use; its parent must exist.
    explicit TMailAttachments(std::string folder);
    ~TMailAttachments();
    TMailAttachments(const TMailAttachments&) = delete;
    TMailAttachments& operator=(const TMailAttachments&) = delete;

    // Writes `text` as `name` into a fresh subfolder (two sends of the same document never share
    // a file); its path, or empty when it could not be written.
    std::string Add(std::string_view name, std::string_view text);
    const std::vector<std::string>& Files() const { return FFiles; }
    void RemoveAll();

private:
    std::string FFolder;
    std::vector<std::string> FFiles;
    int FNext = 0;
};

} // namespace quillan
