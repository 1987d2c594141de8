#pragma once
// The command line of every program here, through GLib's GOptionContext, so
// that they all behave as users know from other tools: --help on standard
// output with exit status 0, --version, --opt=value and --opt value, and an
// unknown option or a bad value named on standard error with exit status 64.

#include <glib.h>

#include <optional>
#include <string>
#include <vector>

namespace quorvix::cli {

inline constexpr int kUsageError = 64;  // EX_USAGE of <sysexits.h>

struct Parsed {
  std::vector<std::string> words;  // what is left after the options
  std::optional<int> exit_status;  // set: end now, after printing below
  std::string out;                 // for standard output (help, version)
  std::string err;                 // for standard error (what was wrong)
};

class CommandLine {
 public:
  // `parameters` follows the program's name in the usage line ("SCENARIO
  // N"); `summary` comes before the options, `description` after them.
  CommandLine(std::string program, const char* parameters, const char* summary,
              const char* description = nullptr);
  ~CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // `entries` ends with an empty entry and must outlive Parse; callbacks get
  // `data`. An option callback refuses a value with Refuse.
  void Add(const GOptionEntry* entries, void* data);
  // Options only before the first word (a word may then look like one,
  // "-1"): for a command language after the options.
  void StopAtFirstWord();

  // `arguments` without the program's name.
  Parsed Parse(const std::vector<std::string>& arguments);

  // A usage error found after parsing (a missing or conflicting option).
  Parsed Fail(const std::string& why) const;

  const std::string& program() const { return program_; }

 private:
  void AddCommon();

  std::string program_;
  GOptionContext* context_;
  bool has_main_group_ = false;
  bool common_added_ = false;
  gboolean help_ = FALSE;
  gboolean version_ = FALSE;
};

// Sets `error` to `text` for GLib, and returns FALSE, as an option callback
// does for a value it refuses.
gboolean Refuse(GError** error, const std::string& text);

// Prints what `parsed` holds for the user and returns its exit status, or
// nothing when the program goes on.
std::optional<int> Report(const Parsed& parsed);

// The arguments of main without the program's name.
std::vector<std::string> Arguments(int argc, char** argv);

}  // namespace quorvix::cli
