// Window tests on a virtual X display: starts an Xvfb server of its own (it picks a free
// display number and reports it), finds windows by title, presses and types through xdotool,
// and captures a window's pixels. The server is stopped (by its process id) when the session
// ends. Tests skip when Xvfb or xdotool is not installed.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace xvfbtest {

// True when the program is found on $PATH.
inline bool HaveProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

// Runs a program with arguments and an extra environment entry; returns its exit status
// (-1 when it could not be started or did not end normally).
inline int Run(const std::vector<std::string>& args, const std::string& env = "") {
  std::vector<std::string> envStore;
  for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
  if (!env.empty()) envStore.push_back(env);
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class TXvfbSession {
 public:
  TXvfbSession() {
    if (!HaveProgram("Xvfb")) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const bool started =
        posix_spawnp(&FPid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (!started) {
      FPid = 0;
      close(fds[0]);
      return;
    }
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;  // ends when the server is ready
    close(fds[0]);
    if (number.empty()) return;
    FName = ":" + number;
    FDisplay = XOpenDisplay(FName.c_str());
  }

  ~TXvfbSession() {
    if (FDisplay) XCloseDisplay(FDisplay);
    if (FPid > 0) {
      kill(FPid, SIGTERM);
      waitpid(FPid, nullptr, 0);
    }
  }

  TXvfbSession(const TXvfbSession&) = delete;
  TXvfbSession& operator=(const TXvfbSession&) = delete;

  bool Ok() const { return FDisplay != nullptr; }
  const std::string& Name() const { return FName; }
  Display* Connection() const { return FDisplay; }

  // The first window (depth first) whose name is title; 0 when none appears in time.
  Window FindWindow(const std::string& title, int timeoutMs = 10000) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
      if (Window w = Search(DefaultRootWindow(FDisplay), title)) return w;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
  }

  // xdotool with these arguments on this display; its exit status.
  int Xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    return Run(all, "DISPLAY=" + FName);
  }

  // The window's pixels as red, green, blue bytes, rows top first (empty when it cannot be
  // read).
  std::vector<uint8_t> Capture(Window w, int& width, int& height) const {
    XWindowAttributes a{};
    std::vector<uint8_t> rgb;
    if (!XGetWindowAttributes(FDisplay, w, &a)) return rgb;
    width = a.width;
    height = a.height;
    XImage* image = XGetImage(FDisplay, w, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!image) return rgb;
    rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        uint8_t* o = &rgb[(size_t(y) * width + x) * 3];
        o[0] = uint8_t((p & image->red_mask) >> __builtin_ctzl(image->red_mask));
        o[1] = uint8_t((p & image->green_mask) >> __builtin_ctzl(image->green_mask));
        o[2] = uint8_t((p & image->blue_mask) >> __builtin_ctzl(image->blue_mask));
      }
    XDestroyImage(image);
    return rgb;
  }

 private:
  Window Search(Window w, const std::string& title) const {
    char* name = nullptr;
    if (XFetchName(FDisplay, w, &name) && name) {
      const bool match = title == name;
      XFree(name);
      if (match) return w;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(FDisplay, w, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = Search(children[i], title);
    if (children) XFree(children);
    return found;
  }

  pid_t FPid = 0;
  std::string FName;
  Display* FDisplay = nullptr;
};

// Pixels that are plainly red (the circles the demo draws).
inline int CountRed(const std::vector<uint8_t>& rgb) {
  int n = 0;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) n += rgb[i] > 200 && rgb[i + 1] < 60 && rgb[i + 2] < 60;
  return n;
}

}  // namespace xvfbtest
