#include "publication.h"

#include "wide_text.h"

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
  window_ = CreateWindowExW(0, kPageClassW, WideFromHost(title).c_str(), style, 0, 0, frame.right - frame.left,
                            frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (!window_) throw std::runtime_error("cannot create the publication window");
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
}

Publication::~Publication() {
  if (window_) DestroyWindow(window_);
}

HWND Publication::AddRectangle(const std::string& name, int x, int y, int width, int height, COLORREF colour) {
  HWND object = CreateWindowExW(0, kObjectClassW, WideFromHost(name).c_str(), WS_CHILD | WS_CLIPSIBLINGS, x, y, width, height,
                                window_, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!object) throw std::runtime_error("cannot create object " + name);
  objects_.push_back({name, object});
  SetWindowLongPtrW(object, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
  ShowWindow(object, SW_SHOW);
  return object;
}

void Publication::AddText(int x, int y, const std::string& text, COLORREF colour) {
  texts_.push_back({x, y, WideFromHost(text), colour});
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
