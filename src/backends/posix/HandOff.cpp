#include "backends/posix/HandOff.h"

#include "backends/posix/XdgPaths.h"
#include "base/AtomicFile.h"
#include "base/Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace quillan {

namespace {

// A hand-off lists at most a command line's worth of paths; anything far larger is not ours.
constexpr std::size_t MaxHandOffBytes = 4 << 20;
constexpr std::size_t MaxMessageBytes = 32;
// A client that connected but never finished its message is dropped after this long.
constexpr auto ClientPatience = std::chrono::seconds(10);
constexpr const char* RunningButNoAnswer = "Quillan is running but does not answer";
constexpr const char* StartStuck = "Another start of Quillan did not finish in time";

std::string HandOffPath(const std::string& folder)
{
    return folder + "/" + HandOffFileName;
}

std::string Errno(std::string_view what, const std::string& path)
{
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

bool SocketAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// `deadline` bounds the wait for a peer that stops reading (EAGAIN when it passes).
bool SendAll(int fd, std::string_view data,
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10))
{
    while (!data.empty()) {
        // MSG_NOSIGNAL: a peer that went away must not kill us with SIGPIPE.
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0)
                    return false;
                pollfd p { fd, POLLOUT, 0 };
                ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::chrono::milliseconds Remaining(std::chrono::steady_clock::time_point deadline)
{
    return std::max(std::chrono::milliseconds(0),
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()));
}

enum class TConnect { cnConnected, cnNobody, cnNoAnswer };

// Connects to a running instance. A stopped or hung one still has its socket bound, and once its
// backlog is full a blocking connect would wait for it forever, so the socket is non-blocking and
// a full backlog is retried only until the deadline.
TConnect ConnectToRunning(const std::string& socketPath, std::chrono::steady_clock::time_point deadline, int& fd)
{
    fd = -1;
    sockaddr_un address;
    if (!SocketAddress(socketPath, address))
        return TConnect::cnNobody;
    fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return TConnect::cnNobody;
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            ::close(fd);
            fd = -1;
            return TConnect::cnNobody;
        }
        if (Remaining(deadline).count() == 0) {
            ::close(fd);
            fd = -1;
            return TConnect::cnNoAnswer;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Only the user's own instance gets the file list; a socket someone else bound is nobody.
    ucred peer {};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid()) {
        ::close(fd);
        fd = -1;
        return TConnect::cnNobody;
    }
    return TConnect::cnConnected;
}

// Sends one message and waits for the reply line until the deadline. `noAnswer` tells a silent
// receiver from one that failed otherwise.
bool SendMessage(
    int fd, unsigned message, std::chrono::steady_clock::time_point deadline, bool& noAnswer, std::string& error)
{
    noAnswer = false;
    if (!SendAll(fd, std::to_string(message) + "\n", deadline)) {
        noAnswer = errno == EAGAIN;
        error = noAnswer ? std::string(RunningButNoAnswer)
                         : std::string("Cannot reach the running instance: ") + std::strerror(errno);
        return false;
    }
    std::string reply;
    for (;;) {
        pollfd p { fd, POLLIN, 0 };
        const int ready = ::poll(&p, 1, static_cast<int>(Remaining(deadline).count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            noAnswer = true;
            error = RunningButNoAnswer;
            return false;
        }
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            error = "The running instance closed the connection without answering";
            return false;
        }
        reply.append(buffer, static_cast<std::size_t>(n));
        if (reply.find('\n') != std::string::npos)
            return true;
        if (reply.size() > MaxMessageBytes) {
            error = "The running instance answered something unexpected";
            return false;
        }
    }
}

// `truncated` tells that the file went on beyond `limit`.
bool ReadAll(int fd, std::string& text, std::size_t limit, bool& truncated)
{
    truncated = false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > limit) {
            text.resize(limit);
            truncated = true;
            return true;
        }
    }
}

} // namespace

std::vector<std::string> HandOffPaths(const std::vector<std::string>& args)
{
    std::vector<std::string> paths;
    for (const std::string& arg : args)
        if (arg.find('\n') == std::string::npos)
            paths.push_back(ExpandLongFileName(arg));
    return paths;
}

bool WriteHandOffFile(const std::string& folder, const std::vector<std::string>& paths, std::string& error)
{
    std::string text;
    for (const std::string& path : paths)
        text.append(path).append("\n");

    // The folder is ours alone: a link or FIFO planted as the hand-off file is replaced, never
    // written through, and the receiver reads only complete files.
    TAtomicFileOptions options;
    options.KeepMode = false;
    options.KeepOwner = false;
    options.KeepAttributes = false;
    options.InPlaceFallback = false;
    // The file lives for a moment and means nothing after a crash; a sync per start would make
    // every start in a burst wait for the disk while holding the instance lock.
    options.SyncFile = false;
    options.SyncFolder = false;
    options.NewFileMode = 0600;
    options.Links = TLinkPolicy::lpReplaceLink;
    TAtomicFileError failure;
    const std::string target = HandOffPath(folder);
    if (WriteFileAtomically(target, text, options, &failure))
        return true;
    errno = failure.Errno;
    error = Errno(failure.Kind == TAtomicFileFailure::afWrite ? "Cannot write file" : "Cannot create file", target);
    return false;
}

std::vector<std::string> ReadHandOffFile(const std::string& folder)
{
    const std::string path = HandOffPath(folder);
    // O_NOFOLLOW refuses a link; O_NONBLOCK keeps a planted pipe from blocking the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return {};
    }
    std::string text;
    bool truncated = false;
    const bool read = ReadAll(fd, text, MaxHandOffBytes, truncated);
    ::close(fd);
    ::unlink(path.c_str());
    if (!read)
        return {};
    // A line cut at the limit names some other file, which must not be opened in its stead.
    if (truncated)
        text.resize(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);

    std::vector<std::string> paths;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        if (!line.empty())
            paths.emplace_back(line);
    }
    return paths;
}

THandOffReceiver::THandOffReceiver(std::string folder)
    : FFolder(std::move(folder))
    , FSocketPath(FFolder + "/" + InstanceSocketName)
{
}

THandOffReceiver::~THandOffReceiver()
{
    for (TClient& client : FClients)
        ::close(client.Fd);
    if (FListenFd >= 0) {
        ::close(FListenFd);
        // Remove the socket only if it is still the one we bound.
        struct stat st { };
        if (::lstat(FSocketPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_ino == FSocketInode)
            ::unlink(FSocketPath.c_str());
    }
}

bool THandOffReceiver::Listen(std::string& error)
{
    sockaddr_un address;
    if (!SocketAddress(FSocketPath, address)) {
        error = "The socket path " + FSocketPath + " is too long";
        return false;
    }
    struct stat st { };
    if (::lstat(FSocketPath.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        ::unlink(FSocketPath.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::string("Cannot create a socket: ") + std::strerror(errno);
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
        error = Errno("Cannot listen on", FSocketPath);
        ::close(fd);
        return false;
    }
    if (::lstat(FSocketPath.c_str(), &st) == 0)
        FSocketInode = st.st_ino;
    FListenFd = fd;
    return true;
}

void THandOffReceiver::AcceptAll()
{
    for (;;) {
        const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        ucred peer {};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid()) {
            ::close(fd);
            continue;
        }
        FClients.push_back({ fd, {}, std::chrono::steady_clock::now() });
    }
}

bool THandOffReceiver::ReadClient(TClient& client, const THandler& handler, int& handled)
{
    char buffer[64];
    for (;;) {
        const ssize_t n = ::recv(client.Fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return std::chrono::steady_clock::now() - client.Since < ClientPatience;
        if (n <= 0)
            return false; // gone before finishing its message
        client.Buffer.append(buffer, static_cast<std::size_t>(n));
        const std::size_t nl = client.Buffer.find('\n');
        if (nl == std::string::npos) {
            if (client.Buffer.size() > MaxMessageBytes)
                return false;
            continue;
        }
        const std::string number = client.Buffer.substr(0, nl);
        THandOffRequest request;
        bool known = true;
        if (number == std::to_string(WM_HANDOFF)) {
            request.HandOff = true;
            request.Files = ReadHandOffFile(FFolder);
        } else if (number != std::to_string(HandOffActivate)) {
            known = false;
        }
        // The sender waits for the reply, so it goes out even when the handler fails.
        struct TReply {
            int Fd;
            ~TReply() { SendAll(Fd, "0\n"); }
        } reply { client.Fd };
        if (known) {
            ++handled;
            if (handler)
                handler(request);
        }
        return false;
    }
}

int THandOffReceiver::Serve(const THandler& handler, int waitMs)
{
    if (FListenFd < 0)
        return 0;
    if (waitMs != 0) {
        std::vector<pollfd> fds { { FListenFd, POLLIN, 0 } };
        for (const TClient& client : FClients)
            fds.push_back({ client.Fd, POLLIN, 0 });
        while (::poll(fds.data(), fds.size(), waitMs) < 0 && errno == EINTR) { }
    }
    AcceptAll();
    int handled = 0;
    // Clients are taken out before their handler runs: a handler may show a dialog whose event
    // loop calls Serve again.
    std::vector<TClient> clients;
    clients.swap(FClients);
    for (std::size_t i = 0; i < clients.size(); ++i) {
        bool keep = false;
        try {
            keep = ReadClient(clients[i], handler, handled);
        } catch (...) {
            ::close(clients[i].Fd);
            for (std::size_t j = i + 1; j < clients.size(); ++j)
                FClients.push_back(clients[j]);
            throw;
        }
        if (keep)
            FClients.push_back(clients[i]);
        else
            ::close(clients[i].Fd);
    }
    return handled;
}

std::vector<THandOffRequest> THandOffReceiver::HandleIncoming(int waitMs)
{
    std::vector<THandOffRequest> requests;
    Serve([&](const THandOffRequest& request) { requests.push_back(request); }, waitMs);
    return requests;
}

TStartResult StartInstance(const std::vector<std::string>& args, const TInstanceOptions& options)
{
    TStartResult result;
    std::string folder = options.Folder.empty() ? RuntimeFolder() : options.Folder;
    if (!EnsurePrivateFolder(folder, result.Error)) {
        // Another user may have taken the shared name between the look and the mkdir.
        const std::string fallback = FallbackRuntimeFolder();
        std::string fallbackError;
        if (!options.Folder.empty() || folder == fallback || !EnsurePrivateFolder(fallback, fallbackError)) {
            result.Role = TStartRole::srFirstInstance;
            return result;
        }
        folder = fallback;
        result.Error.clear();
    }
    result.Lock = std::make_unique<TInstanceLock>();
    switch (result.Lock->Acquire(folder, options.LockTimeout, result.Error)) {
    case TInstanceLock::TResult::lrAcquired:
        break;
    case TInstanceLock::TResult::lrTimedOut:
        result.Lock.reset();
        result.Role = TStartRole::srLockTimedOut;
        result.NotHandedOver = HandOffPaths(args);
        if (!result.NotHandedOver.empty())
            result.Error = StartStuck;
        return result;
    case TInstanceLock::TResult::lrFailed:
        result.Lock.reset();
        result.Role = TStartRole::srFirstInstance;
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + options.ReplyTimeout;
    int fd = -1;
    const TConnect connected = ConnectToRunning(folder + "/" + InstanceSocketName, deadline, fd);
    if (connected == TConnect::cnNoAnswer) {
        result.Lock->MarkNoAnswer();
        result.Lock.reset();
        result.Role = TStartRole::srHandOffFailed;
        result.Error = RunningButNoAnswer;
        result.NotHandedOver = HandOffPaths(args);
        return result;
    }
    if (connected == TConnect::cnConnected) {
        // The lock stays held until the reply, as the running instance reads the one hand-off
        // file only after our message.
        bool ok = true;
        bool noAnswer = false;
        unsigned message = HandOffActivate;
        if (!args.empty()) {
            message = WM_HANDOFF;
            ok = WriteHandOffFile(folder, HandOffPaths(args), result.Error);
        }
        if (ok)
            ok = SendMessage(fd, message, deadline, noAnswer, result.Error);
        ::close(fd);
        if (noAnswer && message == WM_HANDOFF) {
            // We report the files as not handed over, so a receiver that wakes up later must not
            // open them after all (or the next start's files in their stead).
            ::unlink(HandOffPath(folder).c_str());
        }
        // The reply means the file is taken (or the hand-off failed): later starts must not wait
        // for our exit.
        if (noAnswer)
            result.Lock->MarkNoAnswer();
        result.Lock.reset();
        if (!ok && message == WM_HANDOFF)
            result.NotHandedOver = HandOffPaths(args);
        result.Role = ok ? TStartRole::srHandedOver : TStartRole::srHandOffFailed;
        return result;
    }

    result.Role = TStartRole::srFirstInstance;
    auto receiver = std::make_unique<THandOffReceiver>(folder);
    if (receiver->Listen(result.Error))
        result.Receiver = std::move(receiver);
    return result;
}

std::string StartFailureText(const TStartResult& result)
{
    if (result.Role != TStartRole::srHandOffFailed && result.Role != TStartRole::srLockTimedOut)
        return {};
    if (result.Role == TStartRole::srLockTimedOut && result.NotHandedOver.empty())
        return {};
    std::string text = result.Error;
    if (!result.NotHandedOver.empty()) {
        text += result.NotHandedOver.size() == 1 ? "; this file was not opened:" : "; these files were not opened:";
        for (const std::string& path : result.NotHandedOver)
            text.append("\n").append(path);
    }
    return text;
}

} // namespace quillan
