#include "command_line.h"

#include <cstdio>

#include "quorvix_version.h"

namespace quorvix::cli {

CommandLine::CommandLine(std::string program, const char* parameters,
                         const char* summary, const char* description)
    : program_(std::move(program)), context_(g_option_context_new(parameters)) {
  // Help comes back from Parse instead of exit() inside GLib, so a test can
  // see it and nothing is left undone.
  g_option_context_set_help_enabled(context_, FALSE);
  g_option_context_set_summary(context_, summary);
  if (description != nullptr) {
    g_option_context_set_description(context_, description);
  }
}

CommandLine::~CommandLine() { g_option_context_free(context_); }

void CommandLine::Add(const GOptionEntry* entries, void* data) {
  // One group, so that --help lists every option together; it carries the
  // program's data to the callbacks.
  GOptionGroup* const group =
      g_option_group_new("program", "", "", data, nullptr);
  g_option_group_add_entries(group, entries);
  g_option_context_set_main_group(context_, group);
  has_main_group_ = true;
}

void CommandLine::AddCommon() {
  const GOptionEntry common[] = {{"help", 'h', 0, G_OPTION_ARG_NONE, &help_,
                                  "Show this help and end", nullptr},
                                 {"version", 0, 0, G_OPTION_ARG_NONE, &version_,
                                  "Show the version and end", nullptr},
                                 {}};
  if (has_main_group_) {
    g_option_group_add_entries(g_option_context_get_main_group(context_),
                               common);
  } else {
    g_option_context_add_main_entries(context_, common, nullptr);
    has_main_group_ = true;
  }
}

void CommandLine::StopAtFirstWord() {
  g_option_context_set_strict_posix(context_, TRUE);
}

Parsed CommandLine::Parse(const std::vector<std::string>& arguments) {
  // Help is wanted even when the rest of the line is wrong.
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") help_ = TRUE;
  }
  std::vector<gchar*> pointers;
  pointers.push_back(g_strdup(program_.c_str()));
  for (const std::string& argument : arguments) {
    pointers.push_back(g_strdup(argument.c_str()));
  }
  pointers.push_back(nullptr);
  // GLib rearranges the vector it is given and frees what it takes out.
  gchar** strv = static_cast<gchar**>(
      g_memdup2(pointers.data(), pointers.size() * sizeof(gchar*)));
  if (!common_added_) {
    AddCommon();
    common_added_ = true;
  }
  GError* error = nullptr;
  const gboolean parsed = g_option_context_parse_strv(context_, &strv, &error);
  Parsed result;
  if (help_) {
    g_clear_error(&error);
    gchar* const help = g_option_context_get_help(context_, TRUE, nullptr);
    result.out = help;
    g_free(help);
    result.exit_status = 0;
  } else if (!parsed) {
    result = Fail(error != nullptr ? error->message : "bad options");
    g_clear_error(&error);
  } else if (version_) {
    result.out = program_ + " " + QUORVIX_VERSION_TEXT + "\n";
    result.exit_status = 0;
  } else {
    for (gchar** word = strv + 1; *word != nullptr; ++word) {
      result.words.emplace_back(*word);
    }
    // Strict POSIX keeps the "--" that ends the options.
    if (!result.words.empty() && result.words.front() == "--") {
      result.words.erase(result.words.begin());
    }
  }
  g_strfreev(strv);
  return result;
}

Parsed CommandLine::Fail(const std::string& why) const {
  Parsed result;
  result.err = program_ + ": " + why + "\nTry \"" + program_ +
               " --help\" for the options.\n";
  result.exit_status = kUsageError;
  return result;
}

gboolean Refuse(GError** error, const std::string& text) {
  g_set_error_literal(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE,
                      text.c_str());
  return FALSE;
}

std::optional<int> Report(const Parsed& parsed) {
  std::fputs(parsed.out.c_str(), stdout);
  std::fflush(stdout);
  std::fputs(parsed.err.c_str(), stderr);
  return parsed.exit_status;
}

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace quorvix::cli
