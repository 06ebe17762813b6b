#include "framework/layered_window.h"

namespace {

// Holds its own reference to USER32 for as long as the module is loaded. This runs under the
// loader lock, which is safe here: USER32 is already loaded (the module imports it), so
// LoadLibrary only counts a reference.
class User32Binding {
public:
  User32Binding() : module_(LoadLibraryW(L"USER32")) {
    if (module_ != nullptr) {
      update_ = reinterpret_cast<UpdateLayeredWindowProc>(
          reinterpret_cast<void (*)()>(GetProcAddress(module_, "UpdateLayeredWindow")));
    }
  }
  ~User32Binding() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  User32Binding(const User32Binding&) = delete;
  User32Binding& operator=(const User32Binding&) = delete;

  UpdateLayeredWindowProc Update() const { return update_; }

private:
  HMODULE module_;
  UpdateLayeredWindowProc update_ = nullptr;
};

const User32Binding binding;

}  // namespace

UpdateLayeredWindowProc LayeredUpdate() { return binding.Update(); }
