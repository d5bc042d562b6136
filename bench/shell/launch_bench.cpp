// Launch as a user meets it: the built `zentrixcode` started as a new process on an X
// server of its own (Xvfb), from the exec until the window's first frame that shows the
// Golden Cross sample checked; beside it, a minimal Qt window started the same way, until
// its first frame. Nothing in the application tells when it painted: this benchmark
// watches the X server, reading the window's pixels as often as the server answers.
//
// What "checked" looks like is learnt first, in untimed launches: the window as it stays
// once everything settled (pixels that still change, the caret and timings, are left out),
// and the part of it that differs from the window's first frame, which is what the first
// check brings. A timed launch ends at the first frame whose pixels there match.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
};

// One Xvfb for the whole run, and a connection to it.
class XServer {
 public:
  XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string displayFd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd",   displayFd.c_str(), "-screen",
                          "0",    "1920x1080x24", "-nolisten",       "tcp",
                          "-br",  nullptr};
    if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      pid_ = 0;
      return;
    }
    close(fds[1]);
    char number[16] = {};
    ssize_t got = 0;
    while (got < ssize_t(sizeof number) - 1) {
      const ssize_t n = read(fds[0], number + got, sizeof number - 1 - size_t(got));
      if (n <= 0 || std::memchr(number, '\n', size_t(got + n))) {
        got += std::max<ssize_t>(n, 0);
        break;
      }
      got += n;
    }
    close(fds[0]);
    if (got <= 0) return;
    display_ = std::string(":") + std::to_string(std::atoi(number));
    connection_ = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(connection_)) return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
  }
  ~XServer() {
    if (connection_) xcb_disconnect(connection_);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool ok() const { return connection_ && !xcb_connection_has_error(connection_); }
  const std::string& display() const { return display_; }

  // The viewable top-level window and its size, if one is mapped.
  std::optional<std::pair<xcb_window_t, Rect>> window() {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr);
    if (!tree) return std::nullopt;
    std::optional<std::pair<xcb_window_t, Rect>> found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && !found; --i) {
      xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(
          connection_, xcb_get_window_attributes(connection_, children[i]), nullptr);
      const bool viewable = a && a->map_state == XCB_MAP_STATE_VIEWABLE && !a->override_redirect;
      std::free(a);
      if (!viewable) continue;
      xcb_get_geometry_reply_t* g =
          xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, children[i]), nullptr);
      if (g && g->width > 100 && g->height > 100) {
        found = std::pair{children[i], Rect{0, 0, g->width, g->height}};
      }
      std::free(g);
    }
    std::free(tree);
    return found;
  }

  // The pixels of `area` of `window`, one 32-bit word each; empty when unreadable.
  std::vector<std::uint32_t> pixels(xcb_window_t window, Rect area) {
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, std::int16_t(area.x),
                      std::int16_t(area.y), std::uint16_t(area.width), std::uint16_t(area.height),
                      ~0u),
        nullptr);
    if (!image) return {};
    const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image));
    const auto count = size_t(xcb_get_image_data_length(image)) / 4;
    std::vector<std::uint32_t> out(data, data + std::min(count, size_t(area.width) * area.height));
    std::free(image);
    for (std::uint32_t& p : out) p &= 0xFFFFFF;
    return out;
  }

 private:
  pid_t pid_ = 0;
  std::string display_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
};

// One launched program, ended with its object.
class Launched {
 public:
  Launched(const char* program, const XServer& x, const std::string& home) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const auto name = entry.substr(0, entry.find('='));
      if (name == "DISPLAY" || name == "QT_QPA_PLATFORM" || name == "HOME" ||
          name == "XDG_CONFIG_HOME" || name == "DBUS_SESSION_BUS_ADDRESS" ||
          name == "WAYLAND_DISPLAY") {
        continue;
      }
      env.push_back(entry);
    }
    // A fresh home: no remembered window frame, appearance or session.
    env.push_back("DISPLAY=" + x.display());
    env.push_back("QT_QPA_PLATFORM=xcb");
    env.push_back("HOME=" + home);
    env.push_back("XDG_CONFIG_HOME=" + home + "/.config");
    env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/zx-no-bus");
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(program), nullptr};
    if (posix_spawn(&pid_, program, &quiet, nullptr, argv, envp.data()) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&quiet);
  }
  ~Launched() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool ok() const { return pid_ > 0; }

 private:
  pid_t pid_ = 0;
};

struct Home {
  std::string path;
  Home() {
    char pattern[] = "/tmp/zx-launch-XXXXXX";
    if (mkdtemp(pattern)) path = pattern;
  }
  ~Home() {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
  }
};

bool allBlack(const std::vector<std::uint32_t>& p) {
  return std::all_of(p.begin(), p.end(), [](std::uint32_t v) { return v == 0; });
}

// Waits for the launched window; its first painted frame is the first time its centre
// is not the black of the empty screen. Times in ms since `start`, or nothing.
std::optional<std::pair<xcb_window_t, Rect>> firstFrame(XServer& x, Clock::time_point start,
                                                        double* paintedMs) {
  while (millisecondsSince(start) < 20000) {
    if (auto w = x.window()) {
      const Rect centre{w->second.width / 2 - 8, w->second.height / 2 - 8, 16, 16};
      while (millisecondsSince(start) < 20000) {
        const auto p = x.pixels(w->first, centre);
        if (p.empty()) break;
        if (!allBlack(p)) {
          *paintedMs = millisecondsSince(start);
          return w;
        }
      }
    }
  }
  return std::nullopt;
}

// What the window looks like once the sample is checked: the settled pixels, those that
// keep changing, and the area where the first frame differs from the settled one.
struct Checked {
  Rect window;
  Rect area;                          // where the check shows; empty: in the first frame
  std::vector<std::uint32_t> pixels;  // of `area`
  std::vector<bool> steady;           // of `area`: the pixels that settle
  size_t changed = 0;                 // steady pixels the first frame had otherwise
};

std::optional<Checked> learnChecked(XServer& x, const char* program) {
  std::vector<std::vector<std::uint32_t>> settled;
  std::vector<std::uint32_t> first;
  Rect whole;
  for (int launch = 0; launch < 3; ++launch) {
    Home home;
    const auto start = Clock::now();
    Launched app(program, x, home.path);
    double painted = 0;
    const auto w = firstFrame(x, start, &painted);
    if (!w) return std::nullopt;
    whole = w->second;
    if (launch == 0) first = x.pixels(w->first, whole);
    for (int grab = 0; grab < 3; ++grab) {
      std::this_thread::sleep_for(std::chrono::milliseconds(grab == 0 ? 3000 : 700));
      settled.push_back(x.pixels(w->first, whole));
      if (settled.back().size() != size_t(whole.width) * whole.height) return std::nullopt;
    }
  }
  const std::vector<std::uint32_t>& reference = settled.front();
  Checked c;
  c.window = whole;
  int left = whole.width, top = whole.height, right = -1, bottom = -1;
  std::vector<bool> steady(reference.size(), true);
  for (size_t i = 0; i < reference.size(); ++i) {
    for (const auto& other : settled) steady[i] = steady[i] && other[i] == reference[i];
    if (steady[i] && first.size() == reference.size() && first[i] != reference[i]) {
      ++c.changed;
      const int px = int(i % size_t(whole.width));
      const int py = int(i / size_t(whole.width));
      left = std::min(left, px);
      right = std::max(right, px);
      top = std::min(top, py);
      bottom = std::max(bottom, py);
    }
  }
  if (right >= 0) c.area = Rect{left, top, right - left + 1, bottom - top + 1};
  for (int py = c.area.y; py < c.area.y + c.area.height; ++py) {
    for (int px = c.area.x; px < c.area.x + c.area.width; ++px) {
      const size_t i = size_t(py) * size_t(whole.width) + size_t(px);
      c.pixels.push_back(reference[i]);
      c.steady.push_back(steady[i]);
    }
  }
  return c;
}

// A frame shows the check when nearly every pixel the check changed is as settled: a
// figure that differs from launch to launch (the check's time) may still differ.
bool matches(const Checked& c, const std::vector<std::uint32_t>& p) {
  if (p.size() != c.pixels.size()) return false;
  size_t differing = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    if (c.steady[i] && p[i] != c.pixels[i]) ++differing;
  }
  return differing * 20 <= c.changed;
}

void recordSamples(benchmark::State& state, std::vector<double>& samples) {
  std::sort(samples.begin(), samples.end());
  state.counters["median_ms"] = samples[samples.size() / 2];
}

void BM_LaunchToSampleChecked(benchmark::State& state) {
  XServer x;
  if (!x.ok()) return state.SkipWithError("no Xvfb");
  const std::optional<Checked> checked = learnChecked(x, ZX_ZENTRIXCODE);
  if (!checked) return state.SkipWithError("the window never settled");
  std::vector<double> samples;
  std::vector<double> firsts;
  for (auto _ : state) {
    Home home;
    const auto start = Clock::now();
    Launched app(ZX_ZENTRIXCODE, x, home.path);
    double first = 0;
    const auto w = firstFrame(x, start, &first);
    if (!w) return state.SkipWithError("no window");
    double shown = first;
    if (!checked->area.empty()) {
      for (;;) {
        if (millisecondsSince(start) > 20000) return state.SkipWithError("never checked");
        if (matches(*checked, x.pixels(w->first, checked->area))) {
          shown = millisecondsSince(start);
          break;
        }
      }
    }
    samples.push_back(shown);
    firsts.push_back(first);
    state.SetIterationTime(shown / 1000);
  }
  recordSamples(state, samples);
  std::sort(firsts.begin(), firsts.end());
  state.counters["first_frame_ms"] = firsts[firsts.size() / 2];
  state.counters["check_px"] = double(checked->changed);
}
BENCHMARK(BM_LaunchToSampleChecked)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_LaunchMinimalQtWindow(benchmark::State& state) {
  XServer x;
  if (!x.ok()) return state.SkipWithError("no Xvfb");
  std::vector<double> samples;
  for (auto _ : state) {
    Home home;
    const auto start = Clock::now();
    Launched app(ZX_MINIMAL_WINDOW, x, home.path);
    double first = 0;
    if (!firstFrame(x, start, &first)) return state.SkipWithError("no window");
    samples.push_back(first);
    state.SetIterationTime(first / 1000);
  }
  recordSamples(state, samples);
}
BENCHMARK(BM_LaunchMinimalQtWindow)->Iterations(15)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
