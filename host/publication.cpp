#include "publication.h"

#include "framework/encoding.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

const wchar_t* const kPageClassW = L"StandInHostPage";
const wchar_t* const kObjectClassW = L"StandInHostObject";

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double Smooth(double t) {
  t = Clamp01(t);
  return t * t * (3 - 2 * t);
}

// A range of hills: its crest, as a fraction of the picture's height, is base minus two waves
// across the width; it is shaded from `crest` at the top to `foot` at the bottom of the picture.
struct Ridge {
  double base, amplitude1, waves1, phase1, amplitude2, waves2, phase2;
  Rgb crest, foot;
  double CrestAt(double u) const {
    constexpr double kTau = 6.283185307179586;
    return base - amplitude1 * std::sin(kTau * (waves1 * u + phase1)) - amplitude2 * std::sin(kTau * (waves2 * u + phase2));
  }
};

// An evening landscape, width x height, as top-down rows of 0x00RRGGBB: every edge is
// antialiased and every surface a gradient, so that an enlargement has something to show.
std::vector<std::uint32_t> RenderLandscape(int width, int height) {
  const double w = width, h = height, side = std::min(w, h);
  const Rgb zenith{30, 72, 156}, horizon{252, 204, 150}, glow{255, 212, 146}, disc{255, 248, 226};
  const Rgb golden{214, 182, 70};
  constexpr double kHorizon = 0.64;  // where the sky is palest, as a fraction of the height
  const double sunX = 0.70 * w, sunY = 0.42 * h, sunRadius = std::max(1.5, 0.08 * side);
  const Ridge ridges[] = {
      {0.56, 0.045, 1.3, 0.10, 0.020, 3.7, 0.40, {150, 150, 184}, {122, 132, 170}},  // far and hazy
      {0.68, 0.050, 0.9, 0.60, 0.015, 5.1, 0.00, {84, 138, 100}, {40, 88, 70}},
      {0.85, 0.090, 0.6, 0.15, 0.020, 2.9, 0.85, {126, 170, 60}, {40, 86, 30}},  // falls to the right
  };
  constexpr int kRidges = sizeof ridges / sizeof ridges[0];

  std::vector<double> crests(static_cast<std::size_t>(width) * kRidges);
  for (int x = 0; x < width; ++x)
    for (int k = 0; k < kRidges; ++k) crests[x * kRidges + k] = h * ridges[k].CrestAt((x + 0.5) / w);

  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const double py = y + 0.5, v = py / h;
    const Rgb sky = Mix(zenith, horizon, std::pow(Clamp01(v / kHorizon), 1.4));
    for (int x = 0; x < width; ++x) {
      const double px = x + 0.5, u = px / w;
      const double d = std::hypot(px - sunX, py - sunY);
      Rgb c = Mix(sky, glow, 0.65 * std::exp(-std::max(0.0, d - sunRadius) / (1.8 * sunRadius)));
      c = Mix(c, disc, Clamp01(sunRadius - d + 0.5));
      for (int k = 0; k < kRidges; ++k) {
        const double crest = crests[x * kRidges + k];
        const double cover = Clamp01(y + 1 - crest);  // the part of this pixel below the crest
        if (cover <= 0) continue;
        Rgb hill = Mix(ridges[k].crest, ridges[k].foot, Smooth((py - crest) / std::max(1.0, h - crest)));
        hill = Mix(hill, horizon, 0.35 * std::exp(-std::max(0.0, py - crest) / (0.02 * h + 1)));  // a lit rim
        if (k == kRidges - 1) hill = Mix(hill, golden, 0.5 * Smooth((u - v) * 1.2 + 0.45));  // evening light from the right
        c = Mix(c, hill, cover);
      }
      const double dx = u - 0.5, dy = v - 0.5;
      const double shade = 1 - 0.35 * (dx * dx + dy * dy);  // corners a little darker, as in a photo
      auto channel = [shade](double value) { return static_cast<std::uint32_t>(std::clamp(value * shade + 0.5, 0.0, 255.0)); };
      pixels[static_cast<std::size_t>(y) * width + x] = channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
    }
  }
  return pixels;
}

void PaintPicture(HDC dc, int x, int y, int width, int height, const std::vector<std::uint32_t>& pixels) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(dc, x, y, width, height, 0, 0, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
}

void PaintLines(HDC dc, const RECT& box, COLORREF colour) {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
  const HPEN pen = CreatePen(PS_SOLID, 1, colour);
  SelectObject(dc, pen);
  auto line = [dc](int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);  // which leaves out (x1, y1)
  };
  const int left = box.left, top = box.top, right = box.right - 1, bottom = box.bottom - 1;
  const int third = (box.right - box.left) / 3, split1 = left + third, split2 = left + 2 * third;

  line(left, top, right, top);
  line(right, top, right, bottom);
  line(right, bottom, left, bottom);
  line(left, bottom, left, top);
  line(split2, top, split2, bottom + 1);
  // Vertical lines with gaps of 1, 2, 3, 4 pixels, over and over.
  for (int x = left, gap = 1; x <= split1; x += gap + 1, gap = gap % 4 + 1) line(x, top, x, bottom + 1);
  // A grid with a 4-pixel pitch.
  for (int x = split1; x < split2; x += 4) line(x, top, x, bottom + 1);
  for (int y = top; y < bottom; y += 4) line(split1, y, split2, y);
  // Hatching rising to the right, 4 pixels apart, kept inside the last strip.
  IntersectClipRect(dc, split2 + 1, top + 1, right, bottom);
  const int height = bottom - top;
  for (int x = split2 - height; x < right; x += 4) line(x, bottom, x + height, top);

  RestoreDC(dc, saved);
  DeleteObject(pen);
}

}  // namespace

void Publication::RegisterClasses() {
  static bool done = false;
  if (done) return;
  WNDCLASSW page = {};
  page.lpfnWndProc = &PageProc;
  page.hInstance = GetModuleHandleA(nullptr);
  page.hCursor = LoadCursor(nullptr, IDC_ARROW);
  page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  page.lpszClassName = kPageClassW;
  WNDCLASSW object = page;
  object.lpfnWndProc = &ObjectProc;
  object.hbrBackground = nullptr;
  object.lpszClassName = kObjectClassW;
  if (!RegisterClassW(&page) || !RegisterClassW(&object)) throw std::runtime_error("cannot register window classes");
  done = true;
}

Publication::Publication(const std::string& title, int width, int height) {
  RegisterClasses();
  RECT frame = {0, 0, width, height};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  AdjustWindowRect(&frame, style, FALSE);
  window_ = CreateWindowExW(0, kPageClassW, Cp1251ToWide(title).c_str(), style, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (!window_) throw std::runtime_error("cannot create the publication window");
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

Publication::~Publication() {
  if (window_) DestroyWindow(window_);
}

HWND Publication::AddRectangle(const std::string& name, int x, int y, int width, int height, COLORREF colour) {
  HWND object = CreateWindowExW(0, kObjectClassW, Cp1251ToWide(name).c_str(), WS_CHILD | WS_CLIPSIBLINGS, x, y, width, height,
                                window_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!object) throw std::runtime_error("cannot create object " + name);
  objects_.push_back({name, object});
  SetWindowLongPtrW(object, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
  ShowWindow(object, SW_SHOW);
  return object;
}

void Publication::AddText(int x, int y, const std::string& text, COLORREF colour) {
  texts_.push_back({x, y, Cp1251ToWide(text), colour});
  InvalidateRect(window_, nullptr, TRUE);
}

void Publication::AddPicture(int x, int y, int width, int height) {
  if (width > kMaxPictureSide || height > kMaxPictureSide)
    throw std::runtime_error("a picture is at most " + std::to_string(kMaxPictureSide) + " pixels a side");
  pictures_.push_back({x, y, width, height, RenderLandscape(width, height)});
  InvalidateRect(window_, nullptr, TRUE);
}

void Publication::AddLines(int x, int y, int width, int height, COLORREF colour) {
  lines_.push_back({{x, y, x + width, y + height}, colour});
  InvalidateRect(window_, nullptr, TRUE);
}

HWND Publication::Find(const std::string& name) const {
  for (const Object& object : objects_)
    if (SameName(object.name, name)) return object.window;
  return nullptr;
}

bool Publication::MoveObject(const std::string& name, int x, int y, int width, int height) {
  const HWND object = Find(name);
  return object && MoveWindow(object, x, y, width, height, TRUE);
}

void Publication::Pump(int milliseconds) {
  const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const auto left = static_cast<LONG>(end - GetTickCount());
    if (left <= 0) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
  }
}

void Publication::PaintPage(HDC dc) const {
  // The page's own typeface, with Cyrillic, whatever the system font of the machine.
  static const HFONT font = CreateFontW(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma");
  for (const Picture& picture : pictures_)
    PaintPicture(dc, picture.x, picture.y, picture.width, picture.height, picture.pixels);
  for (const Lines& lines : lines_) PaintLines(dc, lines.box, lines.colour);
  const HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  for (const Text& text : texts_) {
    SetTextColor(dc, text.colour);
    TextOutW(dc, text.x, text.y, text.text.c_str(), static_cast<int>(text.text.size()));
  }
  SelectObject(dc, old);
}

LRESULT CALLBACK Publication::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Publication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  const bool activation =
      message == WM_NCACTIVATE || message == WM_ACTIVATE || message == WM_SETFOCUS || message == WM_KILLFOCUS;
  if (activation && self && self->onActivation) self->onActivation(message);
  if (message == WM_PAINT && self) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    self->PaintPage(dc);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Publication::ObjectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT client;
    GetClientRect(window, &client);
    const auto dc = reinterpret_cast<HDC>(wParam);
    SetDCBrushColor(dc, static_cast<COLORREF>(GetWindowLongPtrW(window, GWLP_USERDATA)));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
