#pragma once

#include "backends/posix/InstanceLock.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillan {

// One running instance per user. A starting instance takes the instance lock, then tries the
// running instance's socket in the runtime folder. When it answers, the starting instance writes
// its file arguments to the hand-off file, one per line, sends WM_HANDOFF over the socket and
// waits for the reply, which comes once the running instance has read and deleted the file; then
// it ends. When nothing answers it becomes the running instance and listens on the socket.
//
// Wire format: one message per connection, the message number in decimal and "\n"; the reply is
// "0\n". WM_HANDOFF asks the receiver to come to the front and read the hand-off file;
// HandOffActivate (sent when there are no file arguments) only asks it to come to the front.
inline constexpr unsigned WM_HANDOFF = 0x81C1;
inline constexpr unsigned HandOffActivate = 0;
inline constexpr const char* HandOffFileName = "$DATA$.txt";
inline constexpr const char* InstanceSocketName = "instance.sock";

// The paths a starting instance hands over: each argument made absolute against the starting
// instance's own current directory, since the receiver's current directory is unrelated to it.
// Arguments with a line break cannot be written as one line and are left out.
std::vector<std::string> HandOffPaths(const std::vector<std::string>& args);

// Writes "<folder>/$DATA$.txt" with one path per line, through a temporary file renamed into
// place (a file or link already there is replaced, never followed). False with `error` set
// ("Cannot create file ...") on failure, in which case nothing must be sent.
bool WriteHandOffFile(const std::string& folder, const std::vector<std::string>& paths, std::string& error);

// Reads "<folder>/$DATA$.txt" and deletes it. Lines end at LF and are taken byte for byte (a file
// name may end in CR); empty lines are skipped. Beyond 4 MiB the file is not read, and the line
// cut there is left out. A missing file gives no paths. So does anything that is not a regular
// file owned by the user (a symbolic link, a pipe, someone else's file): it is neither read nor deleted.
std::vector<std::string> ReadHandOffFile(const std::string& folder);

// What a second instance asked for. The receiver always comes to the front; HandOff tells that
// a hand-off file was sent, Files are its lines in order (possibly none). The receiver still
// applies its own rules to each path (existence, the document limit).
struct THandOffRequest {
    bool HandOff = false;
    std::vector<std::string> Files;
};

// The running instance's end of the socket. Its descriptor is non-blocking; a GUI calls Serve
// (or HandleIncoming) when Fd() is readable and, while HasPending() is true, again from a short
// timer, since a client may connect before its message arrives. Each waiting sender holds the
// instance lock until its reply, so the handler should only take the files and open them later:
// every millisecond spent in it delays every start queued behind it. Only connections from the
// same user are served.
class THandOffReceiver {
public:
    using THandler = std::function<void(const THandOffRequest&)>;

    explicit THandOffReceiver(std::string folder);
    ~THandOffReceiver();
    THandOffReceiver(const THandOffReceiver&) = delete;
    THandOffReceiver& operator=(const THandOffReceiver&) = delete;

    // Binds and listens on "<folder>/instance.sock", replacing a stale socket left by an instance
    // that crashed. Call only while holding the instance lock and after nothing answered there.
    bool Listen(std::string& error);
    int Fd() const { return FListenFd; }
    const std::string& Folder() const { return FFolder; }
    bool HasPending() const { return !FClients.empty(); }

    // Accepts waiting connections and handles every complete message. For WM_HANDOFF the file is
    // read and deleted, then `handler` runs (so the files can be opened before the sender goes
    // on), then the reply is sent. Waits up to `waitMs` for the first activity (0: just looks).
    // Returns the number of requests handled.
    int Serve(const THandler& handler, int waitMs = 0);
    // Serve that collects the requests; the replies go out before the caller sees them.
    std::vector<THandOffRequest> HandleIncoming(int waitMs = 0);

private:
    struct TClient {
        int Fd;
        std::string Buffer;
        std::chrono::steady_clock::time_point Since;
    };

    void AcceptAll();
    // False when the client is finished with (handled or dropped).
    bool ReadClient(TClient& client, const THandler& handler, int& handled);

    std::string FFolder;
    std::string FSocketPath;
    int FListenFd = -1;
    unsigned long FSocketInode = 0;
    std::vector<TClient> FClients;
};

inline constexpr std::chrono::milliseconds HandOffReplyTimeout { 10000 };

struct TInstanceOptions {
    std::string Folder; // empty: RuntimeFolder()
    std::chrono::milliseconds LockTimeout = InstanceLockTimeout;
    // How long a second start waits for the running instance to take the connection and answer.
    // A stopped or hung instance then gives srHandOffFailed ("Quillan is running but does not
    // answer") with the lock released and the hand-off file removed.
    std::chrono::milliseconds ReplyTimeout = HandOffReplyTimeout;
};

enum class TStartRole {
    srFirstInstance, // start the GUI; release Lock once the main window exists
    srHandedOver, // another instance has the arguments; end
    // Another instance is stuck starting. Without files, end at once without a message; with
    // files (NotHandedOver), end non-zero naming them (Error).
    srLockTimedOut,
    srHandOffFailed, // the hand-off could not be made (Error); end non-zero with that message
};

struct TStartResult {
    TStartRole Role = TStartRole::srFirstInstance;
    // For srHandOffFailed the reason; for srFirstInstance a warning that the program runs
    // without single-instance hand-off (unusable runtime folder, socket failure).
    std::string Error;
    // For srLockTimedOut and srHandOffFailed the files this start was asked to open and did not
    // hand over, as they would have been handed over.
    std::vector<std::string> NotHandedOver;
    // Held only by a first instance; a second start lets go of it as soon as its hand-off is
    // taken, so the next start in a burst need not wait for this one's exit.
    std::unique_ptr<TInstanceLock> Lock;
    std::unique_ptr<THandOffReceiver> Receiver;
};

// The start-up decision, made before any display connection exists. `args` are the program's
// arguments without the program name.
TStartResult StartInstance(const std::vector<std::string>& args, const TInstanceOptions& options = {});

// What a start that gives up tells the user: the reason, then each file not handed over on a line
// of its own. Empty when there is nothing to tell (a start without files that found the lock held).
std::string StartFailureText(const TStartResult& result);

} // namespace quillan
