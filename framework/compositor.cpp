#include "framework/compositor.h"

#include "framework/system_library.h"

namespace {

DWORD SystemMajorVersion() { return LOBYTE(LOWORD(GetVersion())); }
HMODULE LoadFromSystemFolder(const wchar_t* name) { return LoadSystemLibrary(name); }

CompositorTesting::MajorVersionSource majorVersion = SystemMajorVersion;
CompositorTesting::LibraryLoader loadLibrary = LoadFromSystemFolder;

// The library handle. The library comes from the system folder only, never from beside the host's
// program. It is given back once no window of ours is left (ReleaseCompositor), never as the
// module unloads: no library may be freed under the loader lock.
class Library {
public:
  HMODULE Get() {
    if (handle_ == nullptr && majorVersion() >= 6) handle_ = loadLibrary(L"dwmapi.dll");
    return handle_;
  }
  bool Loaded() const { return handle_ != nullptr; }
  void Release() {
    if (handle_ != nullptr) FreeLibrary(handle_);
    handle_ = nullptr;
  }

private:
  HMODULE handle_ = nullptr;
};

Library library;
// Bumped whenever the library is released, so that functions looked up in it are looked up again.
unsigned generation = 0;

// A compositor function: looked up once the library is there, then remembered.
template <typename Signature>
class Function {
public:
  explicit Function(const char* name) : name_(name) {}
  Signature Get() {
    if (seen_ != generation) {
      address_ = nullptr;
      seen_ = generation;
    }
    if (address_ == nullptr) {
      // Through void (*)(): GetProcAddress's type says nothing of the function's real one.
      if (HMODULE module = library.Get()) {
        address_ = reinterpret_cast<Signature>(reinterpret_cast<void (*)()>(GetProcAddress(module, name_)));
      }
    }
    return address_;
  }

private:
  const char* name_;
  Signature address_ = nullptr;
  unsigned seen_ = 0;
};

Function<decltype(&::DwmIsCompositionEnabled)> isCompositionEnabled("DwmIsCompositionEnabled");
Function<decltype(&::DwmRegisterThumbnail)> registerThumbnail("DwmRegisterThumbnail");
Function<decltype(&::DwmUnregisterThumbnail)> unregisterThumbnail("DwmUnregisterThumbnail");
Function<decltype(&::DwmUpdateThumbnailProperties)> updateThumbnailProperties("DwmUpdateThumbnailProperties");
Function<decltype(&::DwmGetColorizationColor)> getColorizationColor("DwmGetColorizationColor");
Function<decltype(&::DwmGetWindowAttribute)> getWindowAttribute("DwmGetWindowAttribute");

template <typename Signature, typename... Args>
HRESULT Call(Function<Signature>& function, Args... args) {
  const Signature f = function.Get();
  return f != nullptr ? f(args...) : E_NOTIMPL;
}

}  // namespace

bool IsCompositionEnabled() {
  BOOL enabled = FALSE;
  return Call(isCompositionEnabled, &enabled) == S_OK && enabled;
}

namespace Dwm {

HRESULT RegisterThumbnail(HWND destination, HWND source, HTHUMBNAIL* thumbnail) {
  return Call(registerThumbnail, destination, source, thumbnail);
}

HRESULT UnregisterThumbnail(HTHUMBNAIL thumbnail) { return Call(unregisterThumbnail, thumbnail); }

HRESULT UpdateThumbnailProperties(HTHUMBNAIL thumbnail, const DWM_THUMBNAIL_PROPERTIES* properties) {
  return Call(updateThumbnailProperties, thumbnail, properties);
}

HRESULT GetColorizationColor(DWORD* colorization, BOOL* opaqueBlend) {
  return Call(getColorizationColor, colorization, opaqueBlend);
}

HRESULT GetWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
  return Call(getWindowAttribute, window, attribute, value, size);
}

}  // namespace Dwm

bool IsCloaked(HWND window) {
  constexpr DWORD kCloaked = 14;  // DWMWA_CLOAKED, from Windows 8 on
  DWORD cloaked = 0;
  return Dwm::GetWindowAttribute(window, kCloaked, &cloaked, sizeof cloaked) == S_OK && cloaked != 0;
}

void ReleaseCompositor() {
  if (!library.Loaded()) return;
  library.Release();
  ++generation;
}

namespace CompositorTesting {

void Use(MajorVersionSource version, LibraryLoader loader) {
  majorVersion = version != nullptr ? version : SystemMajorVersion;
  loadLibrary = loader != nullptr ? loader : LoadFromSystemFolder;
  library.Release();
  ++generation;
}

}  // namespace CompositorTesting

