// A stand-in for the authoring host: loads a plug-in by path and drives it through its nine
// exports, serving the routines it hands over (AddAction, SetVariable, InterfaceAccess).
//
// Every call crosses the boundary through hand-written assembly thunks that follow the host's
// register convention as written (not through the compiler's attribute), and every call into the
// plug-in checks that the stack and the callee-saved registers came back as they went in.
// Contract breaches the host notices are collected in violations() rather than thrown, so a test
// can both see them and carry on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using HostText = std::optional<std::string>;  // nullopt is a null host string pointer

struct CatalogueEntry {
  std::int32_t id;
  std::string name;  // bytes as the plug-in passed them (Windows-1251)
  std::string hint;
  std::vector<std::uint8_t> codes;  // lastIndex + 1 codes, read during the call
  std::int32_t lastIndex;
  std::int32_t count;
};

struct VariableWrite {
  std::string name;
  HostText value;  // nullopt: the plug-in passed a null value
};

struct InitStrings {
  HostText title, author, description;
};

class GlobalMemorySpy;
class Publication;

class PluginHost {
public:
  // Loads the plug-in; throws std::runtime_error when it cannot be loaded or lacks an export.
  explicit PluginHost(const std::string& path);
  ~PluginHost();
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // The one host that the plug-in's calls back reach (there is one plug-in per host).
  static PluginHost* Current();
  HMODULE module() const { return module_; }

  // ---- The exports. ----
  // Values handed over at registration; the plug-in only keeps them.
  static constexpr std::uint32_t kRegisterArg2 = 0x2222'0002, kRegisterArg3 = 0x3333'0003;
  static constexpr std::uint32_t kInitValue = 0x1111'0001;

  // nbInitPlugIn with three slots that start null (or hold host blocks made from `before`).
  InitStrings InitPlugIn(const InitStrings& before = {});
  // nbRegisterPlugIn; with setVariable false the host passes a null SetVariable routine.
  void RegisterPlugIn(bool setVariable = true);
  void RegisterInterfaceAccess(bool present = true);
  void RegisterScriptProcessor(std::uint32_t value);
  void RegisterStreamAccess(std::uint32_t value);
  // nbExecAction with a parameter block holding these texts (nullopt elements are null); the host
  // checks afterwards that the plug-in left the block as it was.
  bool ExecAction(std::int32_t id, const std::vector<HostText>& params);
  // nbExecAction with a null parameter block.
  bool ExecActionNullBlock(std::int32_t id);
  // nbEditAction: the elements are host slots; params receives what the slots hold afterwards.
  bool EditAction(std::int32_t id, std::vector<HostText>& params);
  // nbEditAction with a null parameter block.
  bool EditActionNullBlock(std::int32_t id);
  // Which slots the last nbEditAction refilled with a block of its own allocation.
  const std::vector<bool>& replacedSlots() const { return replaced_; }
  void Message(std::uint32_t code);
  void About();

  // Raw 32-bit result of the last export that returns a Boolean (only its low byte counts).
  std::uint32_t lastRawResult() const { return lastRaw_; }
  // The action row the plug-in registered under this name (null when unknown); the catalogue is
  // how the host knows the actions.
  const CatalogueEntry* FindAction(const std::string& name) const;

  // ---- What the host saw. ----
  const std::vector<CatalogueEntry>& catalogue() const { return catalogue_; }
  const std::vector<VariableWrite>& writes() const { return writes_; }
  const std::vector<std::int32_t>& interfaceCommands() const { return commands_; }
  const std::vector<std::string>& violations() const { return violations_; }
  // Every variable the host holds, by name, with its current text.
  const std::map<std::string, std::string>& variables() const { return variables_; }
  // A variable's current text ("" after a null write); nullopt when never written.
  std::optional<std::string> Variable(const std::string& name) const;
  void SetVariableText(const std::string& name, const std::string& value);  // host-side assignment
  void ClearRecords();  // forgets writes, commands and violations (variables and catalogue stay)

  // ---- How the host answers InterfaceAccess. ----
  // Command 6: store a non-null block in the slot (true) or leave it null (false).
  bool probeAnswers = true;
  // Command 7: when set, the slot receives this text instead of the object's handle.
  std::optional<std::string> lookupOverride;
  // Command 8: the object the author picks (true), or nullopt for a refusal (false).
  std::optional<std::string> pickAnswer;

  // The publication whose objects command 7 finds; may be null (every lookup answers "0").
  Publication* publication = nullptr;

  // ---- A host that calls the plug-in again from inside the plug-in's calls. ----
  // What the host calls: nbMessage(2); VitrelleClose, VitrelleCreate or VitrelleExecute (zoom 4)
  // for the object of the action running (the last one when none is) or for the other object;
  // nbExecAction with an id that is no action.
  enum class Reentry { FreeAllPanels, CloseSame, CloseOther, CreateSame, CreateOther, ExecuteSame, ExecuteOther,
                       UnknownAction };
  // When the host calls back in: from inside SetVariable, InterfaceAccess, or the page's
  // activation and focus messages (which need `publication`).
  enum ReentryPoint : unsigned { kOnVariable = 1, kOnInterfaceAccess = 2, kOnPageActivation = 4 };
  // From now on each such notice is answered with the next call of `calls`, in turn; never from
  // inside a call made this way. An empty list turns the mode off.
  void SetReentry(unsigned points, std::vector<Reentry> calls, std::string otherObject);
  // How many calls the host made back in.
  int reentries() const { return reentries_; }

  // Sends message 0x4FA with this lParam to every panel (child window) of the named object.
  // Returns the number of windows that received it.
  int SendPanelMessage(const std::string& objectName, LPARAM lParam);

  // Called by the entry thunks.
  std::uint32_t OnAddAction(std::int32_t id, const char* name, const char* hint, const std::uint8_t* codes,
                            std::int32_t lastIndex, std::int32_t count);
  void OnSetVariable(const char* name, const char* value);
  std::uint32_t OnInterfaceAccess(std::int32_t command, char** slot);

private:
  std::uint32_t Call(const char* exportName, FARPROC fn, std::initializer_list<std::uint32_t> args);
  void Violation(std::string text);
  // Host side of the slot rule: a block the plug-in hands over must be a live fixed GlobalAlloc
  // block of exactly the text's length plus one. False when the host must neither read nor free it.
  bool TakePluginBlock(const char* what, const char* block);
  // Forgets answer blocks the plug-in has freed (or whose memory came back to it in `reused`).
  void SettleAnswers(const char* reused);
  // Answers a notice from `point` with the next re-entrant call, when the mode asks for it.
  void Reenter(ReentryPoint point);

  HMODULE module_ = nullptr;
  FARPROC exports_[9] = {};
  std::unique_ptr<GlobalMemorySpy> memory_;  // the plug-in's own global blocks
  std::vector<bool> replaced_;
  std::uint32_t lastRaw_ = 0;
  std::vector<CatalogueEntry> catalogue_;
  std::vector<VariableWrite> writes_;
  std::map<std::string, std::string> variables_;
  std::vector<std::int32_t> commands_;
  std::vector<std::string> violations_;
  struct Answer {
    char* block;
    std::size_t logged;  // the plug-in's memory log when the host put it in the slot
  };
  std::vector<Answer> answers_;  // host blocks left in the plug-in's slots, which it must free
  bool inRegister_ = false;
  unsigned reentryPoints_ = 0;
  std::vector<Reentry> reentryCalls_;
  std::string reentryOther_;
  std::string actionObject_;  // the object of the action running, or of the last one
  std::size_t nextReentry_ = 0;
  bool reentering_ = false;
  int reentries_ = 0;
};

// A file in the folder of the running executable (where the build puts Vitrelle.nbp).
std::string BesideExecutable(const char* file);

// Host blocks: fixed GlobalAlloc blocks of exactly length + 1 bytes, as the slot rule asks.
char* NewHostBlock(const std::string& text);
