// The installer object family: the installer context and the services every other part uses
// (log, program launcher, platform predicates).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "host/decision.h"
#include "host/module_state.h"
#include "platform/system.h"
#include "platform/text.h"

namespace presetra {

// The installer's handle to the running installation. Kept, never used.
using MsiHandle = std::uint32_t;

// The context fields, in this order. Every one starts empty.
struct InstallerContext {
  WString registryKey;   // "Software\Vorlan\<product>", under HKEY_LOCAL_MACHINE
  WString installDir;    // "<program files>\Vorlan\<product>\", always with its backslash
  WString productName;   // "Presetra"
  WString logFileName;   // "Presetra.log"
  WString machineId;     // "MachineID" of the product key
  WString featureBytes;  // two-character feature tokens from the firmware
  WString buildId;       // the firmware build identifier; logged, read by nothing else
  WString logPath;       // full path of the log file
  WString version;       // "Version" of the product key
};

class CMSIInstaller {
 public:
  // Initialises OLE on the calling thread and remembers whether that returned S_OK.
  explicit CMSIInstaller(platform::System& system);
  CMSIInstaller(const CMSIInstaller&) = delete;
  CMSIInstaller& operator=(const CMSIInstaller&) = delete;

  // Starts a program hidden and waits up to 15 minutes for it. 1 when it started (also after a
  // time-out, which is logged and leaves the program running), 0 when the start failed.
  virtual int RunCommand(const platform::ProcessStart& start, const WString& statusText);
  // Prepares the context: log path, machine ID, firmware strings, version. Returns 0.
  virtual int Commit();
  // Exactly the same as Commit.
  virtual int Uninstall();
  // Undoes the OLE initialisation when it returned S_OK.
  virtual ~CMSIInstaller();
  // Does nothing in this class.
  virtual void SetStatusText(const WString& text);

  // Appends one time-stamped line to the log. Writes nothing when the log could not be opened or
  // no log path is chosen yet.
  void Log(WStringView text);
  // Closes the log and lets go of its folders: the end of an action.
  void CloseLog();
  // Runs a script of the package in its own folder, under the system's command interpreter: a
  // relative path is taken from the install folder, the path is quoted, and the arguments (when
  // given) follow after one blank. Its output is appended to `outputPath` (when given), which
  // is opened here with the log's checks, not by the interpreter. Without an install folder a
  // relative script is not started, nor without a system folder; both are logged.
  void RunScript(const WString& scriptPath, const WString& statusText, const WString* arguments,
                 const WString* outputPath = nullptr);

  WString GetMachineID() const { return context_.machineId; }
  WString GetProductName() const { return context_.productName; }
  WString GetVersion() const { return context_.version; }
  WString GetRegistryKey() const { return context_.registryKey; }
  WString GetInstallDir() const { return context_.installDir; }

  // Chooses the log folder: the factory log folder, created when needed, or the first of its
  // parents that exists, or else the install folder; and opens the log for the action. A
  // factory folder that is a link or belongs to another user, or a log file that is a link or
  // has more than one name, is not used: the log goes to the install folder and its first line
  // says why.
  void SelectLogPath();
  // Reads the feature-byte string and the build ID from the firmware's OEM strings and logs them.
  void ReadFeatureBytes();

  // Whether the feature-byte string carries the token at an even offset (case-sensitive).
  bool HasFeature(WStringView token) const;
  // Hears every feature-token question with the offset the token was found at (npos when it
  // is absent): what a tool that explains a run needs. The custom actions set none.
  using FeatureListener = std::function<void(WStringView token, std::size_t offset)>;
  void SetFeatureListener(FeatureListener listener) { featureListener_ = std::move(listener); }
  // Hears every decision of the policy, with what decided it. The custom actions set none.
  void SetDecisionListener(DecisionListener listener) { decisionListener_ = std::move(listener); }
  void Decided(const Decision& decision) const {
    if (decisionListener_) decisionListener_(decision);
  }
  bool IsNotebook() const;
  bool IsConsumer() const;

  InstallerContext& Context() { return context_; }
  const InstallerContext& Context() const { return context_; }
  platform::System& System() const { return system_; }
  // What the loaded module keeps between calls; an installer object made on its own keeps its
  // own.
  ModuleState& Module() const { return *module_; }
  void UseModuleState(ModuleState& state) { module_ = &state; }
  // Whether the machine supports Connected Standby, asked once per loaded module when the
  // answer comes; a failed query answers no and is asked again next time.
  bool IsConnectedStandby() const;
  void SetHandle(MsiHandle handle) { handle_ = handle; }
  bool OleInitialized() const { return oleInitialized_; }

 private:
  WString ReadFeatureBytesFromBios(const WString& afterMarker);
  // Where the log could not go, and why.
  struct LogRefusal {
    WString folder;
    WString why;
  };
  // Walks down to the folder (making what is missing when `create`) and opens the log in the
  // deepest level reached; on success the log, its path and its held folders are replaced.
  // Otherwise says why, where something was refused.
  bool OpenLogIn(const WString& folder, bool create, LogRefusal& refusal);
  // Moves the log to the install folder, saying why there first; false when it cannot.
  bool MoveLog(const WString& reason);
  // Opens a script's output file with the log's checks; when it fails them, the file of that
  // name beside the log, saying so in the log. Null when neither can be used.
  std::unique_ptr<platform::AppendFile> OpenScriptOutput(const WString& path);

  platform::System& system_;
  ModuleState ownModuleState_;
  ModuleState* module_ = &ownModuleState_;
  bool oleInitialized_;
  MsiHandle handle_ = 0;
  InstallerContext context_;
  FeatureListener featureListener_;
  DecisionListener decisionListener_;
  // The log of the running action, open from SelectLogPath to CloseLog, and the factory folders
  // it lies in, held so that none can be replaced by a link meanwhile.
  std::vector<std::unique_ptr<platform::HeldFolder>> heldFolders_;
  std::unique_ptr<platform::AppendFile> logFile_;
  bool logNeedsByteOrderMark_ = false;
};

// An installer object that also writes into the status line of the installer's progress
// dialog while a script runs.
class CAdvInstaller : public CMSIInstaller {
 public:
  using CMSIInstaller::CMSIInstaller;

  // Shows the status text, then runs the command.
  int RunCommand(const platform::ProcessStart& start, const WString& statusText) override;
  // Attaches the module's application installer, prepares the context, looks for the
  // dialog's status line, and runs the application installer's Install.
  int Commit() override;
  // As Commit, without the status-line search, ending in the application's Uninstall.
  int Uninstall() override;
  ~CAdvInstaller() override;
  void SetStatusText(const WString& text) override;

  // Looks for the status control of the progress dialog: a 340 x 13 child of the
  // "MsiDialogCloseClass" window titled "<product> Setup", or of the first such window.
  bool FindStatusLabel();
  platform::Hwnd StatusLabel() const { return statusLabel_; }

 private:
  platform::Hwnd statusLabel_;
};

// Where the feature-byte string carries the token on a token boundary (an even offset,
// case-sensitive); npos when it does not.
std::size_t FeatureOffset(WStringView featureBytes, WStringView token);
// Fills the context names: product and log file name, install folder, product registry key.
void SetContextNames(CMSIInstaller& installer);
// The system folder (SHGetFolderPathW with CSIDL_SYSTEM, 261 characters); empty when Windows
// cannot name it, and then nothing that lives there may be started by its bare name.
WString SystemFolder(platform::Shell& shell);
// The REG_SZ or REG_EXPAND_SZ (unexpanded) value under HKLM\key in the 32-bit registry view (the
// one the module was first built for, so that both builds read the same physical keys); empty on
// any failure.
WString ReadRegistryString(platform::Registry& registry, WStringView key, WStringView valueName);
// The text in double quotes, unless it is empty or already starts with one.
WString QuotePath(const WString& text);
// Creates every folder of the path; true when the path exists afterwards. Paths longer than 260
// characters are refused without creating anything.
bool CreateDirectoryTree(platform::FileSystem& files, const WString& path);

}  // namespace presetra
