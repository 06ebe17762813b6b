#include "plugin_host.h"

#include "framework/dpi.h"

#include "global_memory_spy.h"
#include "publication.h"
#include "thunks.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

extern "C" {
// Handlers the entry thunks call, with the arguments in the order the convention gives them.
std::uint32_t host_AddAction(std::int32_t id, const char* name, const char* hint, const std::uint8_t* codes,
                             std::int32_t lastIndex, std::int32_t count) {
  return PluginHost::Current()->OnAddAction(id, name, hint, codes, lastIndex, count);
}
void host_SetVariable(const char* name, const char* value) { PluginHost::Current()->OnSetVariable(name, value); }
std::uint32_t host_InterfaceAccess(std::int32_t command, char** slot) {
  return PluginHost::Current()->OnInterfaceAccess(command, slot);
}
}

namespace {

PluginHost* current = nullptr;

// Export order is also the ordinal order.
const char* const kExportNames[9] = {"nbAbout",          "nbMessage",        "nbRegisterStreamAccess",
                                     "nbRegisterInterfaceAccess", "nbRegisterScriptProcessor",
                                     "nbRegisterPlugIn", "nbInitPlugIn",     "nbExecAction",
                                     "nbEditAction"};
enum Export { kAbout, kMessage, kStreamAccess, kInterfaceAccess, kScriptProcessor, kRegisterPlugIn, kInitPlugIn,
              kExecAction, kEditAction };

std::uint32_t Word(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }

}  // namespace

std::string BesideExecutable(const char* file) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string self(path, length);
  return self.substr(0, self.find_last_of("\\/") + 1) + file;
}

char* NewHostBlock(const std::string& text) {
  auto* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, text.size() + 1));
  if (!block) throw std::bad_alloc();
  std::memcpy(block, text.c_str(), text.size() + 1);
  return block;
}

PluginHost::PluginHost(const std::string& path) {
  if (current) throw std::runtime_error("a plug-in host is already running");
  module_ = LoadLibraryA(path.c_str());
  if (!module_) throw std::runtime_error("cannot load plug-in " + path + " (error " + std::to_string(GetLastError()) + ")");
  for (int i = 0; i < 9; ++i) {
    exports_[i] = GetProcAddress(module_, kExportNames[i]);
    if (!exports_[i]) {
      FreeLibrary(module_);
      throw std::runtime_error(path + " does not export " + kExportNames[i]);
    }
  }
  memory_ = std::make_unique<GlobalMemorySpy>(module_);
  current = this;
}

PluginHost::~PluginHost() {
  if (publication && !reentryCalls_.empty()) publication->onActivation = nullptr;
  memory_.reset();
  FreeLibrary(module_);
  current = nullptr;
}

PluginHost* PluginHost::Current() { return current; }

std::uint32_t PluginHost::Call(const char* exportName, FARPROC fn, std::initializer_list<std::uint32_t> args) {
  std::uint32_t words[8] = {};
  int count = 0;
  for (std::uint32_t a : args) words[count++] = a;
  std::uint32_t checks = 0;
  memory_->Begin();
  std::uint32_t result = 0;
  {
    // The host is a DPI-unaware program: it calls in that mode whatever mode a test's thread is in.
    const UnawareDpiScope unaware;
    result = nb_call(fn, words, count, &checks);
  }
  memory_->End();
  if (!(checks & kBalanced)) Violation(std::string(exportName) + " left the stack unbalanced");
  if ((checks & kKeptRegisters) != kKeptRegisters) Violation(std::string(exportName) + " did not preserve EBX, ESI and EDI");
  SettleAnswers(nullptr);
  if (!answers_.empty()) Violation(std::string(exportName) + " did not free the host's answer in its slot");
  answers_.clear();
  return result;
}

void PluginHost::Violation(std::string text) { violations_.push_back(std::move(text)); }

// An answer's memory may come straight back to the plug-in's next block of that size, in a slot
// the host is about to read: the plug-in's log of frees tells it from an answer still held. The
// heap is never asked about a block that may be freed: that reads freed memory.
void PluginHost::SettleAnswers(const char* reused) {
  std::erase_if(answers_, [this, reused](const Answer& answer) {
    return answer.block == reused || memory_->Freed(answer.block, answer.logged);
  });
}

bool PluginHost::TakePluginBlock(const char* what, const char* block) {
  if (!block) return true;
  if (memory_->Released(block)) {
    Violation(std::string(what) + ": a block the plug-in had freed");
    return false;
  }
  if (GlobalHandle(block) != block) {
    Violation(std::string(what) + ": not a fixed global memory block");
    return false;
  }
  const SIZE_T size = GlobalSize(const_cast<char*>(block));
  if (size != std::strlen(block) + 1)
    Violation(std::string(what) + ": block of " + std::to_string(size) + " bytes for a text of " +
              std::to_string(std::strlen(block)));
  return true;
}

InitStrings PluginHost::InitPlugIn(const InitStrings& before) {
  char* slots[3] = {};
  const HostText* texts[3] = {&before.title, &before.author, &before.description};
  for (int i = 0; i < 3; ++i)
    if (*texts[i]) slots[i] = NewHostBlock(**texts[i]);
  char* handed[3] = {slots[0], slots[1], slots[2]};

  Call("nbInitPlugIn", exports_[kInitPlugIn], {kInitValue, Word(&slots[0]), Word(&slots[1]), Word(&slots[2])});

  InitStrings out;
  HostText* results[3] = {&out.title, &out.author, &out.description};
  for (int i = 0; i < 3; ++i) {
    if (handed[i] && !memory_->Freed(handed[i])) Violation("nbInitPlugIn replaced a slot without freeing its block");
    if (slots[i] && TakePluginBlock("nbInitPlugIn", slots[i])) {
      *results[i] = std::string(slots[i]);
      GlobalFree(slots[i]);  // the host owns what the plug-in left in its slots
    }
  }
  return out;
}

void PluginHost::RegisterPlugIn(bool setVariable) {
  catalogue_.clear();
  inRegister_ = true;
  Call("nbRegisterPlugIn", exports_[kRegisterPlugIn],
       {Word(reinterpret_cast<void*>(&host_AddAction_entry)), kRegisterArg2, kRegisterArg3,
        setVariable ? Word(reinterpret_cast<void*>(&host_SetVariable_entry)) : 0u});
  inRegister_ = false;
}

void PluginHost::RegisterInterfaceAccess(bool present) {
  Call("nbRegisterInterfaceAccess", exports_[kInterfaceAccess],
       {present ? Word(reinterpret_cast<void*>(&host_InterfaceAccess_entry)) : 0u});
}

void PluginHost::RegisterScriptProcessor(std::uint32_t value) {
  Call("nbRegisterScriptProcessor", exports_[kScriptProcessor], {value});
}

void PluginHost::RegisterStreamAccess(std::uint32_t value) {
  Call("nbRegisterStreamAccess", exports_[kStreamAccess], {value});
}

bool PluginHost::ExecAction(std::int32_t id, const std::vector<HostText>& params) {
  if (!reentering_ && !params.empty() && params[0]) actionObject_ = *params[0];
  std::vector<char*> block;
  std::vector<std::string> storage(params.size());
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (params[i]) storage[i] = *params[i];
    block.push_back(params[i] ? storage[i].data() : nullptr);
  }
  block.resize(std::max<std::size_t>(block.size(), 2));  // the plug-in may look at two elements
  const std::vector<char*> before = block;
  const std::vector<std::string> textsBefore = storage;

  lastRaw_ = Call("nbExecAction", exports_[kExecAction], {static_cast<std::uint32_t>(id), Word(block.data())});

  if (block != before || storage != textsBefore) Violation("nbExecAction modified the parameter block");
  return (lastRaw_ & 0xFF) != 0;
}

bool PluginHost::ExecActionNullBlock(std::int32_t id) {
  lastRaw_ = Call("nbExecAction", exports_[kExecAction], {static_cast<std::uint32_t>(id), 0u});
  return (lastRaw_ & 0xFF) != 0;
}

bool PluginHost::EditAction(std::int32_t id, std::vector<HostText>& params) {
  std::vector<char*> slots(std::max<std::size_t>(params.size(), 2), nullptr);
  for (std::size_t i = 0; i < params.size(); ++i)
    if (params[i]) slots[i] = NewHostBlock(*params[i]);
  const std::vector<char*> handed = slots;

  memory_->Begin();
  lastRaw_ = Call("nbEditAction", exports_[kEditAction], {static_cast<std::uint32_t>(id), Word(slots.data())});
  memory_->End();

  // A freed block's address may come straight back from the next allocation, so what the
  // plug-in freed and allocated tells a refilled slot from one left alone.
  replaced_.assign(slots.size(), false);
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const bool freed = handed[i] && memory_->Freed(handed[i]);
    replaced_[i] = slots[i] && (memory_->Hooked() ? memory_->Allocated(slots[i]) : slots[i] != handed[i]);
    if (replaced_[i] || slots[i] != handed[i]) {
      if (handed[i] && !freed) Violation("nbEditAction replaced a slot without freeing its block");
      if (!TakePluginBlock("nbEditAction", slots[i])) slots[i] = nullptr;  // not the host's to read or free
    } else if (freed) {
      Violation("nbEditAction freed a slot's block and left it in the slot");
      slots[i] = nullptr;  // not the host's to free again
    }
    if (i < params.size()) params[i] = slots[i] ? HostText(slots[i]) : std::nullopt;
    if (slots[i]) GlobalFree(slots[i]);
  }
  return (lastRaw_ & 0xFF) != 0;
}

bool PluginHost::EditActionNullBlock(std::int32_t id) {
  lastRaw_ = Call("nbEditAction", exports_[kEditAction], {static_cast<std::uint32_t>(id), 0u});
  return (lastRaw_ & 0xFF) != 0;
}

void PluginHost::Message(std::uint32_t code) { Call("nbMessage", exports_[kMessage], {code}); }

void PluginHost::About() { Call("nbAbout", exports_[kAbout], {}); }

const CatalogueEntry* PluginHost::FindAction(const std::string& name) const {
  for (const CatalogueEntry& row : catalogue_)
    if (row.id != 0 && row.name == name) return &row;
  return nullptr;
}

std::optional<std::string> PluginHost::Variable(const std::string& name) const {
  const auto it = variables_.find(name);
  if (it == variables_.end()) return std::nullopt;
  return it->second;
}

void PluginHost::SetVariableText(const std::string& name, const std::string& value) { variables_[name] = value; }

void PluginHost::ClearRecords() {
  writes_.clear();
  commands_.clear();
  violations_.clear();
}

int PluginHost::SendPanelMessage(const std::string& objectName, LPARAM lParam) {
  const HWND object = publication ? publication->Find(objectName) : nullptr;
  if (!object) return 0;
  // The children are listed first: a panel that re-fits itself moves in the z-order, and a walk
  // made while sending would meet some windows twice.
  std::vector<HWND> children;
  for (HWND child = GetWindow(object, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
  for (HWND child : children) SendMessageA(child, WM_USER + 250, 0, lParam);
  return static_cast<int>(children.size());
}

std::uint32_t PluginHost::OnAddAction(std::int32_t id, const char* name, const char* hint, const std::uint8_t* codes,
                                      std::int32_t lastIndex, std::int32_t count) {
  if (!inRegister_) Violation("AddAction called outside nbRegisterPlugIn");
  if (!name || !hint || !codes || lastIndex < 0 || lastIndex > 255) {
    Violation("AddAction called with a null text, a null code array or an impossible last index");
    return 0;
  }
  catalogue_.push_back({id, name, hint, std::vector<std::uint8_t>(codes, codes + lastIndex + 1), lastIndex, count});
  return 1;
}

void PluginHost::SetReentry(unsigned points, std::vector<Reentry> calls, std::string otherObject) {
  reentryPoints_ = points;
  reentryCalls_ = std::move(calls);
  reentryOther_ = std::move(otherObject);
  nextReentry_ = 0;
  reentries_ = 0;
  if (publication)
    publication->onActivation = reentryCalls_.empty() ? std::function<void(UINT)>()
                                                      : [this](UINT) { Reenter(kOnPageActivation); };
}

void PluginHost::Reenter(ReentryPoint point) {
  if (!(reentryPoints_ & point) || reentryCalls_.empty() || reentering_) return;
  const Reentry call = reentryCalls_[nextReentry_++ % reentryCalls_.size()];
  reentering_ = true;
  ++reentries_;
  // The call made here answers for itself; the host's answers pending in the plug-in's slots and
  // the result of the call being served are the outer call's.
  std::vector<Answer> pending = std::exchange(answers_, {});
  const std::uint32_t raw = lastRaw_;
  const std::string same = actionObject_, other = reentryOther_;
  constexpr std::int32_t kCreate = 1, kExecute = 3, kClose = 4, kNoAction = 77;
  switch (call) {
    case Reentry::FreeAllPanels: Message(2); break;
    case Reentry::CloseSame: ExecAction(kClose, {same}); break;
    case Reentry::CloseOther: ExecAction(kClose, {other}); break;
    case Reentry::CreateSame: ExecAction(kCreate, {same, "[" + same + "Changed]"}); break;
    case Reentry::CreateOther: ExecAction(kCreate, {other, "[" + other + "Changed]"}); break;
    case Reentry::ExecuteSame: ExecAction(kExecute, {same, "4"}); break;
    case Reentry::ExecuteOther: ExecAction(kExecute, {other, "4"}); break;
    case Reentry::UnknownAction: ExecAction(kNoAction, {same, "4"}); break;
  }
  answers_.insert(answers_.end(), pending.begin(), pending.end());
  lastRaw_ = raw;
  reentering_ = false;
}

void PluginHost::OnSetVariable(const char* name, const char* value) {
  if (!name) {
    Violation("SetVariable called with a null name");
    return;
  }
  writes_.push_back({name, value ? HostText(value) : std::nullopt});
  variables_[name] = value ? value : "";
  Reenter(kOnVariable);
}

std::uint32_t PluginHost::OnInterfaceAccess(std::int32_t command, char** slot) {
  commands_.push_back(command);
  Reenter(kOnInterfaceAccess);
  // The upper 24 bits of a Boolean carry nothing; filling them catches a reader that looks there.
  constexpr std::uint32_t kJunk = 0x5A5A5A00;
  if (!slot) {
    Violation("InterfaceAccess called with a null slot");
    return kJunk;
  }
  SettleAnswers(*slot);
  if (!TakePluginBlock("InterfaceAccess slot", *slot)) *slot = nullptr;
  auto replace = [this, slot](const std::string& text) {
    if (*slot) GlobalFree(*slot);
    *slot = NewHostBlock(text);
    answers_.push_back({*slot, memory_->Logged()});
  };
  switch (command) {
    case 6:
      if (*slot) Violation("InterfaceAccess command 6 with a slot that is not null");
      if (probeAnswers) replace("1");
      return kJunk | 1;
    case 7: {
      const std::string name = *slot ? *slot : "";
      if (lookupOverride) {
        replace(*lookupOverride);
      } else {
        const HWND window = publication ? publication->Find(name) : nullptr;
        replace(std::to_string(reinterpret_cast<std::uintptr_t>(window)));
      }
      return kJunk | 1;
    }
    case 8:
      if (!pickAnswer) return kJunk;
      replace(*pickAnswer);
      return kJunk | 1;
    default:
      Violation("InterfaceAccess called with unknown command " + std::to_string(command));
      return kJunk;
  }
}
