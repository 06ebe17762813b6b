// The lens's frame, step by step, in-process: the screen capture, the composition and the
// layered update, each timed on its own, and whole frames (Render) against the 20 ms refresh
// interval. The baseline, measured in the same run, is a plain copy of the lens picture's bytes
// (width x height x 4), the least any frame must do with them. The composition's share that is
// the blend of the lens area is timed apart, through the same row blend on buffers of the
// area's size. Then what the lens costs the process while it runs: CPU time per second of wall
// time (the share of one core) at the timer's 50 ticks a second, over a still page and over a
// page that changes between every two ticks, against the bare pipeline (copy, stretch, blend
// and push on every tick, whatever changed) measured over the same pages in the same run.
// Last, the same lens on a composed desktop (the stand-in compositor loaded in place of the
// system's): its timer tick, which only follows the lens with the thumbnail window and
// refreshes the thumbnail, and so for a still lens only finds both as they were, and its frame,
// which draws the frame without a screen copy.
// The steps and whole frames are made by a renderer of the bench's own for the open lens's
// window; the timer ticks are the lens's own.
// Built twice: with the capture that runs under Wine (the windows beneath the lens, each read from
// its own picture), and as lens_bench_screen_copy with the one that Windows XP and 7 run (a copy
// of the screen), which leaves the CPU shares and the thumbnail mode to the first: under Wine that copy
// shows the lens itself, and no change of the page beneath would reach it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/compositor.h"
#include "magnifier/frame_image.h"
#include "magnifier/lens_geometry.h"
#include "magnifier/lens_registry.h"
#include "magnifier/lens_renderer.h"
#include "magnifier/lens_window.h"
#include "magnifier/magnifier.h"
#include "magnifier/screen_source.h"

#include "bench/bench_clock.h"

namespace {

constexpr double kBudgetMs = 20.0;  // the lens's refresh interval
constexpr int kWarmUpFrames = 10;
constexpr int kFrames = 300;

// The q-quantile (0..1) of the samples, in the samples' unit.
double Quantile(std::vector<double> samples, double q) {
  const auto at = samples.begin() + std::ptrdiff_t(q * double(samples.size() - 1) + 0.5);
  std::nth_element(samples.begin(), at, samples.end());
  return *at;
}

double Median(const std::vector<double>& samples) { return Quantile(samples, 0.5); }

// Keeps the baseline's copy from being optimised away.
volatile std::uint8_t sink;

// The blend of a lens area of w by h alone, as the composition runs it row by row: the enlarged
// screen's 24-bit rows (4-byte aligned, as in a bitmap) under the frame's 32-bit rows.
double BlendMs(int w, int h) {
  const std::size_t captureStride = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
  std::vector<std::uint8_t> capture(captureStride * std::size_t(h), 0x5A);
  std::vector<std::uint8_t> frame(std::size_t(w) * 4 * std::size_t(h));
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = std::uint8_t(i * 37);  // every alpha
  std::vector<std::uint8_t> out(frame.size());
  std::vector<double> times;
  for (int i = 0; i < kFrames; ++i) {
    const double t0 = Now();
    for (int y = 0; y < h; ++y) {
      const std::size_t row = std::size_t(y) * std::size_t(w) * 4;
      Lens::BlendRow(out.data() + row, capture.data() + std::size_t(y) * captureStride, frame.data() + row, w);
    }
    times.push_back((Now() - t0) * 1e3);
    sink = out[std::size_t(i) % out.size()];
  }
  return Median(times);
}

// Opens a square lens of this size and zoom, centred, through its component.
LensWindow& OpenLens(LensRegistry& lenses, Magnifier& magnifier, int size, int zoom) {
  magnifier.SetLensSize(LensExtent(size), LensExtent(size));
  magnifier.SetZoom(zoom);
  magnifier.ShowLens(-1, -1);
  return *lenses.Open();
}

// The lens as it stands, for a renderer.
LensRenderer::Target TargetOf(const LensWindow& lens) {
  return {lens.Handle(), lens.Left(), lens.Top(), lens.Width(), lens.Height(), lens.Zoom(), lens.Metrics()};
}

// A renderer making the open lens's frames from the source the lens has settled on.
void StartRenderer(LensRenderer& renderer, const LensWindow& lens) {
  renderer.SetFramePicture(LoadFrameImage("MAGN"));
  renderer.UseSource(lens.Source(), lens.LensArea());
}

// The lens's own timer ticks, in which a copy of the screen that shows the lens gives way to the
// next source.
void WarmUp(const LensWindow& lens) {
  for (int i = 0; i < kWarmUpFrames; ++i) SendMessageW(lens.Handle(), WM_TIMER, 1, 0);
}

struct Result {
  int size, zoom;
  double composeRatio;
  double frameMs;
};

Result Measure(int size, int zoom) {
  LensRegistry lenses;
  Magnifier magnifier(lenses);
  LensWindow& lens = OpenLens(lenses, magnifier, size, zoom);
  WarmUp(lens);
  LensRenderer renderer;
  StartRenderer(renderer, lens);
  const LensRenderer::Target target = TargetOf(lens);
  for (int i = 0; i < kWarmUpFrames; ++i) renderer.Render(target);
  const Dib& output = *renderer.Output();
  const std::size_t bytes = std::size_t(output.Width()) * std::size_t(output.Height()) * 4;
  std::vector<std::uint8_t> copy(bytes);

  // The steps in frame order, each frame followed by the baseline copy of the picture it made.
  std::vector<double> capture, compose, push, baseline, whole;
  for (int i = 0; i < kFrames; ++i) {
    const double t0 = Now();
    renderer.Capture(target);
    const double t1 = Now();
    renderer.Compose(target);
    const double t2 = Now();
    renderer.Push(target);
    const double t3 = Now();
    std::memcpy(copy.data(), output.Row(0), bytes);
    const double t4 = Now();
    sink = copy[std::size_t(i) % bytes];
    capture.push_back((t1 - t0) * 1e3);
    compose.push_back((t2 - t1) * 1e3);
    push.push_back((t3 - t2) * 1e3);
    baseline.push_back((t4 - t3) * 1e3);
  }
  for (int i = 0; i < kFrames; ++i) {
    renderer.ForgetPushedFrame();  // a frame made and pushed, as when something has changed
    const double t0 = Now();
    renderer.Render(target);
    whole.push_back((Now() - t0) * 1e3);
  }
  const Rect area = target.LensArea();
  const int width = output.Width(), height = output.Height();
  magnifier.CloseLens();  // the lens's pictures go with it
  renderer.ReleasePictures();
  const double blendMs = BlendMs(RectWidth(area), RectHeight(area));

  const double copyMs = Median(baseline);
  const double p50 = Median(whole), p95 = Quantile(whole, 0.95);
  std::printf("%4dx%-4d %4d  %6.3f  %7.3f %6.1fx  %7.3f %5.1fx %7.3f  %7.3f %6.1fx  %6.2f %3.0f%%  %6.2f %3.0f%%\n",
              width, height, zoom, copyMs, Median(capture), Median(capture) / copyMs,
              Median(compose), Median(compose) / copyMs, blendMs, Median(push), Median(push) / copyMs, p50,
              100 * p50 / kBudgetMs, p95, 100 * p95 / kBudgetMs);
  std::fflush(stdout);
  return {size, zoom, Median(compose) / copyMs, p50};
}

// A page beneath the lens: a plain window showing a fixed pattern, whose middle can be changed.
class Page {
public:
  Page() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LensBenchPage";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                              GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window_);
  }
  ~Page() { DestroyWindow(window_); }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  // Inverts a small square at this screen point: the page has changed beneath the lens.
  void Change(int x, int y) const {
    const HDC dc = GetDC(window_);
    PatBlt(dc, x - 4, y - 4, 8, 8, DSTINVERT);
    ReleaseDC(window_, dc);
  }

private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(window, &ps);
    for (int y = ps.rcPaint.top & ~15; y < ps.rcPaint.bottom; y += 16)
      for (int x = ps.rcPaint.left & ~15; x < ps.rcPaint.right; x += 16) {
        const RECT cell = {x, y, x + 16, y + 16};
        const HBRUSH brush = CreateSolidBrush(RGB(x * 7 & 255, y * 5 & 255, (x ^ y) & 255));
        FillRect(dc, &cell, brush);
        DeleteObject(brush);
      }
    EndPaint(window, &ps);
    return 0;
  }
  HWND window_ = nullptr;
};

// CPU time of this process so far, in seconds.
double ProcessSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return double(std::uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

constexpr int kTicksPerSecond = 50;
constexpr int kCpuTicks = 100;  // two seconds a run
constexpr int kCpuRounds = 3;   // the median run of these

// Runs `tick` 50 times a second for kCpuTicks ticks, letting messages run in between as the
// lens's own timer would, and returns the process's CPU time per second of wall time.
template <typename Tick>
double CpuShare(Tick tick) {
  const double start = Now(), cpuStart = ProcessSeconds();
  for (int i = 0; i < kCpuTicks; ++i) {
    tick();
    const double next = start + double(i + 1) / kTicksPerSecond;
    for (double now = Now(); now < next; now = Now()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD((next - now) * 1e3) + 1, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
  }
  return (ProcessSeconds() - cpuStart) / (Now() - start);
}

// The lens's timer at 50 ticks a second, and the bare pipeline in its place, over a still page
// and a changing one.
void MeasureCpu(int size, int zoom) {
  const Page page;
  LensRegistry lenses;
  Magnifier magnifier(lenses);
  LensWindow& lens = OpenLens(lenses, magnifier, size, zoom);
  KillTimer(lens.Handle(), 1);  // the ticks are counted out here
  const int x = lens.Left(), y = lens.Top();
  const Lens::SourceRect source = Lens::SourceFor(x, y, lens.LensArea(), lens.Zoom());
  const int cx = source.x + source.width / 2, cy = source.y + source.height / 2;
  WarmUp(lens);
  LensRenderer renderer;
  StartRenderer(renderer, lens);
  const LensRenderer::Target target = TargetOf(lens);

  // One tick: the page changes first when asked; then the bare pipeline, or the lens's timer.
  const auto share = [&](bool changing, bool bare) {
    return CpuShare([&] {
      if (changing) page.Change(cx, cy);
      if (bare) {
        renderer.Capture(target);
        renderer.Compose(target);
        renderer.Push(target);
      } else {
        SendMessageW(lens.Handle(), WM_TIMER, 1, 0);
      }
    });
  };
  std::vector<double> bareStill, lensStill, bareChanging, lensChanging;
  for (int round = 0; round < kCpuRounds; ++round) {
    bareStill.push_back(share(false, true));
    lensStill.push_back(share(false, false));
    bareChanging.push_back(share(true, true));
    lensChanging.push_back(share(true, false));
  }
  const int width = renderer.Output()->Width(), height = renderer.Output()->Height();
  magnifier.CloseLens();
  renderer.ReleasePictures();
  const double bs = Median(bareStill), ls = Median(lensStill), bc = Median(bareChanging), lc = Median(lensChanging);
  std::printf("%4dx%-4d %4d   %5.1f%%  %5.1f%%  %5.2f    %5.1f%%  %5.1f%%  %5.2f     %5.2f\n", width, height, zoom,
              100 * bs, 100 * ls, ls / bs, 100 * bc, 100 * lc, lc / bc, ls / lc);
  std::fflush(stdout);
}

// A plain window under the lens, for the thumbnail to show.
class Backdrop {
public:
  Backdrop() {
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                              GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, nullptr, nullptr);
  }
  ~Backdrop() { DestroyWindow(window_); }
  Backdrop(const Backdrop&) = delete;
  Backdrop& operator=(const Backdrop&) = delete;

private:
  HWND window_;
};

// Thumbnail mode: a timer tick, and a frame, against the same copy baseline; the frame also
// against the capture-mode frame of the same lens.
void MeasureThumbnail(const Result& capture) {
  LensRegistry lenses;
  Magnifier magnifier(lenses);
  LensWindow& lens = OpenLens(lenses, magnifier, capture.size, capture.zoom);
  LensRenderer renderer;
  StartRenderer(renderer, lens);
  const LensRenderer::Target target = TargetOf(lens);
  for (int i = 0; i < kWarmUpFrames; ++i) {
    renderer.Render(target);
    SendMessageW(lens.Handle(), WM_TIMER, 1, 0);
  }
  const Dib& output = *renderer.Output();
  const std::size_t bytes = std::size_t(output.Width()) * std::size_t(output.Height()) * 4;
  std::vector<std::uint8_t> copy(bytes);
  std::vector<double> tick, frame, baseline;
  for (int i = 0; i < kFrames; ++i) {
    const double t0 = Now();
    SendMessageW(lens.Handle(), WM_TIMER, 1, 0);
    renderer.ForgetPushedFrame();
    const double t1 = Now();
    renderer.Render(target);
    const double t2 = Now();
    std::memcpy(copy.data(), output.Row(0), bytes);
    const double t3 = Now();
    sink = copy[std::size_t(i) % bytes];
    tick.push_back((t1 - t0) * 1e3);
    frame.push_back((t2 - t1) * 1e3);
    baseline.push_back((t3 - t2) * 1e3);
  }
  const int width = output.Width(), height = output.Height();
  magnifier.CloseLens();
  renderer.ReleasePictures();
  const double copyMs = Median(baseline), tickMs = Median(tick), frameMs = Median(frame);
  std::printf("%4dx%-4d %4d  %6.3f  %7.3f %6.1fx  %7.3f %6.1fx %6.2f\n", width, height, capture.zoom,
              copyMs, tickMs, tickMs / copyMs, frameMs, frameMs / copyMs, frameMs / capture.frameMs);
  std::fflush(stdout);
}

// The stand-in compositor (bin/compositor/) in place of the system's.
HMODULE LoadStandInCompositor(const wchar_t*) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring beside(path);
  beside.resize(beside.find_last_of(L'\\') + 1);
  return LoadLibraryW((beside + L"compositor\\dwmapi.dll").c_str());
}

}  // namespace

int main() {
#ifdef LENS_BENCH_SCREEN_COPY
  CopyTheScreenAsOnWindows7();
#endif
  std::printf("lens frame steps: median ms of %d frames, and each step / copy of the picture's bytes;\n"
              "blend = the lens area's blend alone (part of compose); whole frames made and pushed (Render after\n"
              "a change) as p50 and p95 and their share of the %.0f ms refresh interval\n\n",
              kFrames, kBudgetMs);
  std::printf("capture: %s\n\n", CopiesTheScreenAsOnWindows7()
                                    ? "a copy of the screen, stretched (as on Windows XP and 7)"
                                    : "the windows beneath the lens, each read from its own picture (where a copy of "
                                      "the screen shows the lens, as under Wine)");
  std::printf("%-9s %4s  %6s  %7s %7s  %7s %6s %7s  %7s %7s  %11s  %11s\n", "lens", "zoom", "copy", "capture", "ratio",
              "compose", "ratio", "blend", "push", "ratio", "frame p50", "p95");
  std::vector<Result> results;
  for (int size : {250, 800}) {
    for (int zoom : {2, 16}) results.push_back(Measure(size, zoom));
  }
  std::printf("\ncompose / copy at 800x800 (goal: at most 6):");
  for (const Result& r : results) {
    if (r.size == 800) std::printf("  zoom %d: %.1f", r.zoom, r.composeRatio);
  }
  std::printf("\n");

#ifdef LENS_BENCH_SCREEN_COPY
  // Wine's copy of the screen shows the lens itself over the page, so no change of the page
  // would reach this capture here.
  return 0;
#endif
  std::printf("\nthe process's CPU per second at %d ticks a second (share of one core), median of %d runs of %d\n"
              "ticks: the bare pipeline (every tick copies, stretches, blends and pushes) and the lens's timer,\n"
              "over a still page and over a page that changes between every two ticks\n"
              "(goals at 800x800: lens still / lens changing at most 0.2, lens still at most 10%%;\n"
              "lens changing / bare changing about 1)\n\n",
              kTicksPerSecond, kCpuRounds, kCpuTicks);
  std::printf("%-9s %4s   %6s  %6s  %5s    %6s  %6s  %5s     %5s\n", "lens", "zoom", "bare", "lens", "ratio",
              "bare", "lens", "ratio", "still");
  std::printf("%-9s %4s   %-21s    %-21s     %5s\n", "", "", "----- still page -----", "--- changing page ---",
              "/chg");
  for (int size : {250, 800}) {
    for (int zoom : {2, 16}) MeasureCpu(size, zoom);
  }

  CompositorTesting::Use(nullptr, LoadStandInCompositor);
  if (!IsCompositionEnabled()) {
    std::printf("\nthe stand-in compositor is missing: no thumbnail-mode figures\n");
    return 1;
  }
  std::printf("\nthumbnail mode (stand-in compositor): median ms of a still lens's timer tick (the thumbnail\n"
              "window's place and the thumbnail's properties found unchanged) and of a frame (no screen copy),\n"
              "each / copy; and the frame / the capture-mode frame above\n\n");
  std::printf("%-9s %4s  %6s  %7s %7s  %7s %7s %6s\n", "lens", "zoom", "copy", "tick", "ratio", "frame", "ratio",
              "/capt");
  const Backdrop backdrop;
  for (const Result& r : results) MeasureThumbnail(r);
  return 0;
}
