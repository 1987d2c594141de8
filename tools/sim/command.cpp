#include "command.h"

#include <vector>

namespace quorvix::sim {
namespace {

constexpr long kMaxBaud = 4'000'000;
constexpr long kMaxStepMs = 3'600'000;

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// Collects the first failure; later checks then do nothing.
class Reader {
 public:
  Reader(std::string_view name, const std::vector<std::string_view>& words)
      : name_(name), words_(words) {}

  bool Arity(std::size_t min, std::size_t max, std::string_view usage) {
    const std::size_t args = words_.size() - 1;
    if (args < min || args > max) Fail("usage: " + std::string(usage));
    return ok();
  }
  long Number(std::size_t index, std::string_view what, long min, long max) {
    if (!ok()) return 0;
    const auto value = ParseInteger(words_[index], min, max);
    if (!value) {
      Fail(std::string(what) + " '" + std::string(words_[index]) +
           "' is not a number from " + std::to_string(min) + " to " +
           std::to_string(max));
      return 0;
    }
    return *value;
  }
  int Channel(std::size_t index) {
    return static_cast<int>(Number(index, "channel", 1, 512));
  }
  std::uint8_t Value(std::size_t index, std::string_view what = "value") {
    return static_cast<std::uint8_t>(Number(index, what, 0, 255));
  }
  bool OnOff(std::size_t index) {
    if (!ok()) return false;
    if (words_[index] == "on") return true;
    if (words_[index] != "off")
      Fail("'" + std::string(words_[index]) + "' is neither on nor off");
    return false;
  }
  void Fail(const std::string& what) {
    if (ok()) error_ = std::string(name_) + ": " + what;
  }
  bool ok() const { return error_.empty(); }
  ParsedCommand Error() const { return {std::nullopt, error_}; }
  ParsedCommand Result(Command command) const {
    if (!ok()) return {std::nullopt, error_};
    return {std::move(command), {}};
  }

 private:
  std::string_view name_;
  const std::vector<std::string_view>& words_;
  std::string error_;
};

ParsedCommand ParseHandshakeReply(std::string_view line) {
  // The reply is the rest of the line after one separator, so it may hold
  // blanks of its own.
  const std::size_t start = line.find_first_of(" \t");
  const std::string_view text =
      start == std::string_view::npos ? "" : line.substr(start + 1);
  if (text.empty())
    return {std::nullopt,
            "reply-handshake: usage: reply-handshake TEXT|default"};
  if (text == "default") return {command::HandshakeReply{Bytes{'G'}}, {}};
  std::string why;
  auto bytes = ParseEscaped(text, &why);
  if (!bytes) return {std::nullopt, "reply-handshake: " + why};
  return {command::HandshakeReply{std::move(*bytes)}, {}};
}

}  // namespace

ParsedCommand ParseCommand(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto words = Words(line);
  if (words.empty() || words[0].front() == '#') return {};
  const std::string_view name = words[0];
  Reader r(name, words);
  using namespace command;

  if (name == "in") {
    if (!r.Arity(1, 2, "in CH [VALUE]")) return r.Error();
    const int channel = r.Channel(1);
    if (words.size() == 2) return r.Result(ShowInput{channel});
    return r.Result(SetInput{channel, r.Value(2)});
  }
  if (name == "ramp") {
    if (!r.Arity(4, 4, "ramp CH FROM TO STEP_MS")) return r.Error();
    const int channel = r.Channel(1);
    const std::uint8_t from = r.Value(2, "from");
    const std::uint8_t to = r.Value(3, "to");
    const auto step =
        std::chrono::milliseconds(r.Number(4, "step", 1, kMaxStepMs));
    return r.Result(Ramp{channel, from, to, step});
  }
  if (name == "out") {
    if (!r.Arity(1, 1, "out CH")) return r.Error();
    return r.Result(ShowOutput{r.Channel(1)});
  }
  if (name == "dump")
    return r.Arity(0, 0, "dump") ? r.Result(Dump{}) : r.Error();
  if (name == "stats")
    return r.Arity(0, 0, "stats") ? r.Result(Stats{}) : r.Error();
  if (name == "vanish")
    return r.Arity(0, 0, "vanish") ? r.Result(Vanish{}) : r.Error();
  if (name == "replug") {
    if (!r.Arity(0, 1, "replug [reset]")) return r.Error();
    const bool reset = words.size() == 2;
    if (reset && words[1] != "reset")
      r.Fail("'" + std::string(words[1]) + "' is not reset");
    return r.Result(Replug{reset});
  }
  if (name == "quit")
    return r.Arity(0, 0, "quit") ? r.Result(Quit{}) : r.Error();
  if (name == "silent") {
    if (!r.Arity(1, 1, "silent on|off")) return r.Error();
    return r.Result(Silent{r.OnOff(1)});
  }
  if (name == "flood") {
    if (!r.Arity(1, 1, "flood on|off")) return r.Error();
    return r.Result(Flood{r.OnOff(1)});
  }
  if (name == "split") {
    if (!r.Arity(1, 2, "split on [GAP_MS] | split off")) return r.Error();
    if (!r.OnOff(1)) {
      if (words.size() > 2) r.Fail("usage: split on [GAP_MS] | split off");
      return r.Result(Split{std::nullopt});
    }
    const auto gap =
        words.size() > 2
            ? std::chrono::milliseconds(r.Number(2, "gap", 0, kMaxStepMs))
            : kDefaultSplitGap;
    return r.Result(Split{gap});
  }
  if (name == "baud") {
    if (!r.Arity(1, 1, "baud N|auto|off")) return r.Error();
    if (words[1] == "off") return r.Result(Baud{0});
    if (words[1] == "auto") return r.Result(Baud{kFollowPort});
    return r.Result(Baud{r.Number(1, "baud rate", 1, kMaxBaud)});
  }
  if (name == "trailer") {
    if (!r.Arity(1, 1, "trailer HH")) return r.Error();
    const auto byte = ParseHexByte(words[1]);
    if (!byte) r.Fail("'" + std::string(words[1]) + "' is not two hex digits");
    return r.Result(Trailer{byte.value_or(0)});
  }
  if (name == "reply-handshake") return ParseHandshakeReply(line);
  return {std::nullopt,
          "unknown command '" + std::string(name) + "' (try --help)"};
}

}  // namespace quorvix::sim
