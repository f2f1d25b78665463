// One program per user, as on the handheld: a running program answers for its top-level
// windows on a Unix socket named after its settings file, so that a second program sharing
// those settings finds the first one's window, sends it messages and brings it to the front,
// while programs with separate settings files never meet.
//
// The first program to bind the socket serves it; later ones are clients only. Each request
// is one connection: a fixed-size request, a fixed-size reply. A socket left by a program
// that died refuses connections; the next program removes it and binds it afresh.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "platform/backend.h"
#include "platform/internal.h"

namespace velin::platform {

namespace {

constexpr uint32_t kMagic = 0x56454C31;  // "VEL1"
constexpr int kNameUnits = 64;

enum Op : uint32_t { kFind = 1, kSend, kParent, kForeground, kSetForeground, kClaimFront };

struct Request {
    uint32_t magic;
    uint32_t op;
    uint64_t hwnd;
    uint32_t msg;
    uint32_t flags;  // 1: class given, 2: title given
    uint64_t wParam;
    int64_t lParam;
    char16_t cls[kNameUnits];
    char16_t title[kNameUnits];
};

struct Reply {
    uint32_t magic;
    uint32_t ok;
    int64_t result;
    uint64_t hwnd;
};

int g_listen = -1;
std::string g_path;  // the socket this program serves, removed when it stops

// Proxies for windows of the other program, in both directions, so that the same remote
// window always has the same handle here.
std::map<uintptr_t, uint64_t> g_proxyToRemote;
std::map<uint64_t, uintptr_t> g_remoteToProxy;

uint64_t Fnv1a(const std::string& s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string SocketPath() {
    std::string settings = RegistryFilePath();
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(settings, ec);
    if (!ec) settings = abs.lexically_normal().string();
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(settings)));
    // sun_path holds 108 bytes.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && std::filesystem::is_directory(runtime, ec)) {
        std::string p = std::string(runtime) + "/velin-" + hash + ".sock";
        if (p.size() < sizeof(sockaddr_un::sun_path)) return p;
    }
    const std::filesystem::path beside = settings + ".sock";
    if (beside.string().size() < sizeof(sockaddr_un::sun_path) &&
        std::filesystem::is_directory(beside.parent_path(), ec)) {
        return beside.string();
    }
    return "/tmp/velin-" + std::to_string(getuid()) + "-" + hash + ".sock";
}

bool FillAddress(const std::string& path, sockaddr_un* addr) {
    if (path.size() >= sizeof(addr->sun_path)) return false;
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    std::memcpy(addr->sun_path, path.c_str(), path.size());
    return true;
}

bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void CopyName(const std::u16string* from, char16_t* to) {
    std::memset(to, 0, sizeof(char16_t) * kNameUnits);
    if (!from) return;
    const size_t n = std::min<size_t>(from->size(), kNameUnits - 1);
    std::copy_n(from->data(), n, to);
}

std::u16string NameOf(const char16_t* units) {
    size_t n = 0;
    while (n < kNameUnits && units[n]) ++n;  // the request comes from outside: bounded
    return std::u16string(units, n);
}

// One request to the program serving the rendezvous; false when there is none.
bool Ask(const Request& req, Reply* reply) {
    if (g_listen >= 0) return false;  // this program is the one that serves
    sockaddr_un addr;
    if (!FillAddress(SocketPath(), &addr)) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && WriteAll(fd, &req, sizeof req) &&
              ReadAll(fd, reply, sizeof *reply) && reply->magic == kMagic;
    close(fd);
    return ok;
}

HWND ProxyFor(uint64_t remote) {
    if (remote == 0) return nullptr;
    auto it = g_remoteToProxy.find(remote);
    if (it != g_remoteToProxy.end()) return reinterpret_cast<HWND>(it->second);
    const uintptr_t proxy = S().nextHandle;
    S().nextHandle += 4;
    g_proxyToRemote[proxy] = remote;
    g_remoteToProxy[remote] = proxy;
    return reinterpret_cast<HWND>(proxy);
}

Request NewRequest(Op op) {
    Request req{};
    req.magic = kMagic;
    req.op = op;
    return req;
}

// Messages whose parameters are plain numbers; a pointer from another program would point
// nowhere here, so other messages are not delivered.
bool CrossesProcesses(UINT msg) {
    switch (msg) {
        case WM_NULL:
        case WM_CLOSE:
        case WM_COMMAND:
        case WM_HIBERNATE:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_VSCROLL:
            return true;
        default: return msg >= WM_APP && msg <= 0xBFFF;
    }
}

HWND LocalFind(const std::u16string* cls, const std::u16string* title) {
    for (Window* w : S().zorder) {
        if (cls && Lower(w->cls->name) != Lower(*cls)) continue;
        if (title && Lower(w->title) != Lower(*title)) continue;
        return ToHandle(w);
    }
    return nullptr;
}

void Serve(int fd) {
    // The client writes its request at once; a stalled one cannot hold this program up long.
    timeval tv{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    Request req;
    if (!ReadAll(fd, &req, sizeof req) || req.magic != kMagic) return;
    Reply reply{kMagic, 1, 0, 0};
    State& s = S();
    const HWND target = reinterpret_cast<HWND>(static_cast<uintptr_t>(req.hwnd));
    switch (req.op) {
        case kFind: {
            const std::u16string cls = NameOf(req.cls), title = NameOf(req.title);
            reply.hwnd = reinterpret_cast<uintptr_t>(
                LocalFind((req.flags & 1) ? &cls : nullptr, (req.flags & 2) ? &title : nullptr));
            break;
        }
        case kSend:
            if (LookupWindow(target) && CrossesProcesses(req.msg)) {
                // The reply goes out only when the window procedure has returned, as the
                // sender waits for its result.
                reply.result = SendMessageW(target, req.msg, static_cast<WPARAM>(req.wParam),
                                            static_cast<LPARAM>(req.lParam));
            } else {
                reply.ok = 0;
            }
            break;
        case kParent: reply.hwnd = reinterpret_cast<uintptr_t>(GetParent(target)); break;
        case kForeground: {
            const bool front = s.inFront && (!s.backend || s.backend->HasFocus());
            reply.hwnd = front ? reinterpret_cast<uintptr_t>(ToHandle(s.active)) : 0;
            break;
        }
        case kSetForeground: reply.ok = SetForegroundWindow(target) ? 1 : 0; break;
        case kClaimFront: s.inFront = false; break;
        default: reply.ok = 0; break;
    }
    WriteAll(fd, &reply, sizeof reply);
}

}  // namespace

void RendezvousStart() {
    if (g_listen >= 0) return;
    const std::string path = SocketPath();
    sockaddr_un addr;
    if (!FillAddress(path, &addr)) return;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd, 8) == 0) {
            g_listen = fd;
            g_path = path;
            return;
        }
        const int err = errno;
        close(fd);
        if (err != EADDRINUSE) return;
        // Someone holds the name: a live program answers, a dead one's socket refuses.
        const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (probe < 0) return;
        const bool alive = connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        close(probe);
        if (alive) return;  // another program serves; this one is a client
        unlink(path.c_str());
    }
}

void RendezvousStop() {
    if (g_listen >= 0) {
        close(g_listen);
        g_listen = -1;
        unlink(g_path.c_str());
        g_path.clear();
    }
    g_proxyToRemote.clear();
    g_remoteToProxy.clear();
}

int RendezvousFd() { return g_listen; }

void RendezvousPoll() {
    if (g_listen < 0) return;
    for (int i = 0; i < 16; ++i) {
        const int fd = accept4(g_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) break;
        Serve(fd);
        close(fd);
    }
}

bool IsRemoteHandle(HWND hwnd) {
    return hwnd && g_proxyToRemote.count(reinterpret_cast<uintptr_t>(hwnd)) != 0;
}

HWND RemoteFindWindow(const std::u16string* cls, const std::u16string* title) {
    Request req = NewRequest(kFind);
    req.flags = (cls ? 1u : 0u) | (title ? 2u : 0u);
    CopyName(cls, req.cls);
    CopyName(title, req.title);
    Reply reply;
    if (!Ask(req, &reply)) return nullptr;
    return ProxyFor(reply.hwnd);
}

LRESULT RemoteSendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Request req = NewRequest(kSend);
    req.hwnd = g_proxyToRemote[reinterpret_cast<uintptr_t>(hwnd)];
    req.msg = msg;
    req.wParam = wParam;
    req.lParam = lParam;
    Reply reply;
    if (!Ask(req, &reply)) return 0;
    return static_cast<LRESULT>(reply.result);
}

HWND RemoteParent(HWND hwnd) {
    Request req = NewRequest(kParent);
    req.hwnd = g_proxyToRemote[reinterpret_cast<uintptr_t>(hwnd)];
    Reply reply;
    if (!Ask(req, &reply)) return nullptr;
    return ProxyFor(reply.hwnd);
}

HWND RemoteForegroundWindow() {
    Reply reply;
    if (!Ask(NewRequest(kForeground), &reply)) return nullptr;
    return ProxyFor(reply.hwnd);
}

bool RemoteSetForeground(HWND hwnd) {
    Request req = NewRequest(kSetForeground);
    req.hwnd = g_proxyToRemote[reinterpret_cast<uintptr_t>(hwnd)];
    Reply reply;
    return Ask(req, &reply) && reply.ok;
}

void RendezvousClaimFront() {
    Reply reply;
    Ask(NewRequest(kClaimFront), &reply);
}

}  // namespace velin::platform
