// One running instance per user and name: flock on "<name>.lock" decides who holds it; the holder
// listens on "<name>.sock" so that a later start can ask it to come to the front.
#include "rt/instance.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

constexpr char kActivate[] = "activate";

class UniqueFd {
public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() { reset(); }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

private:
  int fd_ = -1;
};

// A folder the lock and socket may live in: a real folder (not a link) that we own and that no one
// else can write, or another user could plant the socket we talk to, or take our lock.
bool IsOwnClosedFolder(const std::string& dir) {
  struct stat st {};
  return !dir.empty() && lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A folder the host makes for itself: created 0700 when missing, used only when it is ours and closed.
bool MadeOwnFolder(const std::string& dir) {
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsOwnClosedFolder(dir);
}

// Where the lock and socket live: $XDG_RUNTIME_DIR when it is our own closed folder; else the
// user's runtime folder that a desktop session would have named (so a start without the variable
// meets a start with it); else a folder of our own in /tmp, or in the home folder when another user
// holds that name in /tmp. "" when none is usable.
std::string runtime_dir(const std::string& name) {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg == '/' && IsOwnClosedFolder(xdg)) return xdg;
  const std::string uid = std::to_string(geteuid());
  if (const std::string session = "/run/user/" + uid; IsOwnClosedFolder(session)) return session;
  if (const std::string tmp = "/tmp/" + name + "-" + uid; MadeOwnFolder(tmp)) return tmp;
  if (const char* home = std::getenv("HOME"); home && *home == '/') {
    const std::string cache = std::string(home) + "/.cache";
    mkdir(cache.c_str(), 0700);
    if (const std::string own = cache + "/" + name + "-" + uid; MadeOwnFolder(own)) return own;
  }
  return "";
}

bool socket_address(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

UniqueFd listen_on(const std::string& path) {
  sockaddr_un address;
  if (!socket_address(path, address)) return {};
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return {};
  ::unlink(path.c_str());  // left by a holder that was killed; safe, we hold the lock
  const mode_t old_mask = umask(0077);
  const bool bound = bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  umask(old_mask);
  if (!bound || listen(fd.get(), 8) != 0) return {};
  return fd;
}

// True when a holder was reached and told.
bool send_activate(const std::string& path) {
  sockaddr_un address;
  if (!socket_address(path, address)) return false;
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd || connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return false;
  const std::string message = std::string(kActivate) + "\n";
  return send(fd.get(), message.data(), message.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(message.size());
}

class Holder final : public RtSingleInstance {
public:
  Holder(UniqueFd lock, std::string socket_path, UniqueFd listener, std::function<void()> on_activate)
      : lock_(std::move(lock)), socket_path_(std::move(socket_path)), listener_(std::move(listener)),
        on_activate_(std::move(on_activate)) {
    if (listener_) thread_ = std::thread([this] { serve(); });
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

  ~Holder() override {
    if (listener_) {
      shutdown(listener_.get(), SHUT_RDWR);  // wakes the blocked accept
      if (thread_.joinable()) thread_.join();
      ::unlink(socket_path_.c_str());
    }
    // The lock goes last (member order), so a new holder never sees our socket as its own.
  }

private:
  void serve() {
    for (;;) {
      UniqueFd client(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (!client) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return;  // shut down
      }
      // A client that never writes must not hold up shutdown for long.
      const timeval timeout{1, 0};
      setsockopt(client.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
      std::string message;
      char buffer[32];
      while (message.size() < 64 && message.find('\n') == std::string::npos) {
        const ssize_t n = recv(client.get(), buffer, sizeof buffer, 0);
        if (n <= 0) break;
        message.append(buffer, static_cast<size_t>(n));
      }
      if (message.substr(0, message.find('\n')) == kActivate && on_activate_) on_activate_();
    }
  }

  UniqueFd lock_;
  std::string socket_path_;
  UniqueFd listener_;
  std::function<void()> on_activate_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<RtSingleInstance> rt_single_instance_acquire(const std::string& name, bool& already_running,
                                                             std::function<void()> on_activate) {
  already_running = false;
  if (name.empty() || name.find('/') != std::string::npos) return nullptr;
  const std::string dir = runtime_dir(name);
  if (dir.empty()) return nullptr;
  const std::string base = dir + (dir.back() == '/' ? "" : "/") + name;
  UniqueFd lock(open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock) return nullptr;

  // The holder may be between taking the lock and listening, or just ending: keep trying both ways
  // for a moment before deciding.
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (flock(lock.get(), LOCK_EX | LOCK_NB) == 0) {
      UniqueFd listener = listen_on(base + ".sock");
      return std::make_unique<Holder>(std::move(lock), base + ".sock", std::move(listener), std::move(on_activate));
    }
    if (send_activate(base + ".sock")) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  already_running = true;
  return nullptr;
}
