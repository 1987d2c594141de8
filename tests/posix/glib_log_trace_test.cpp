#include "platform/posix/glib_log_trace.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace quorvix::test {
namespace {

using posix::GlibLogTrace;

struct Logged {
  GLogLevelFlags level;
  std::string priority;
  std::string message;
};

std::vector<Logged>& logged() {
  static std::vector<Logged> entries;
  return entries;
}

std::string Value(const GLogField& field) {
  const auto* text = static_cast<const char*>(field.value);
  return field.length < 0
             ? std::string(text)
             : std::string(text, static_cast<size_t>(field.length));
}

// Keeps the domain's entries; the rest goes on as GLib would write it.
GLogWriterOutput Record(GLogLevelFlags level, const GLogField* fields,
                        gsize count, gpointer) {
  std::optional<std::string> domain;
  Logged entry{level, {}, {}};
  for (gsize i = 0; i < count; ++i) {
    const std::string key = fields[i].key;
    if (key == "GLIB_DOMAIN") domain = Value(fields[i]);
    if (key == "PRIORITY") entry.priority = Value(fields[i]);
    if (key == "MESSAGE") entry.message = Value(fields[i]);
  }
  if (domain != GlibLogTrace::kDomain) {
    return g_log_writer_default(level, fields, count, nullptr);
  }
  logged().push_back(entry);
  return G_LOG_WRITER_HANDLED;
}

// GLib takes one writer per process.
void RecordTheLog() {
  static const bool installed = [] {
    g_log_set_writer_func(Record, nullptr, nullptr);
    return true;
  }();
  static_cast<void>(installed);
  logged().clear();
}

class GlibLogTraceTest : public ::testing::Test {
 protected:
  ~GlibLogTraceTest() override { unsetenv("G_MESSAGES_DEBUG"); }

  // nullptr unsets the variable.
  static void MessagesDebug(const char* domains) {
    if (domains == nullptr) {
      unsetenv("G_MESSAGES_DEBUG");
    } else {
      setenv("G_MESSAGES_DEBUG", domains, 1);
    }
  }

  GlibLogTrace trace_;
};

TEST_F(GlibLogTraceTest, ListensAsTheDebugVariableStoodWhenLastRead) {
  MessagesDebug("Quorvix");
  EXPECT_FALSE(trace_.Listening());
  trace_.ReadListeners();
  EXPECT_TRUE(trace_.Listening());
  MessagesDebug(nullptr);
  EXPECT_TRUE(trace_.Listening());
  trace_.ReadListeners();
  EXPECT_FALSE(trace_.Listening());

  MessagesDebug("all");
  trace_.ReadListeners();
  EXPECT_TRUE(trace_.Listening());
  MessagesDebug("GLib");
  trace_.ReadListeners();
  EXPECT_FALSE(trace_.Listening());
}

TEST_F(GlibLogTraceTest, WritesTheBytesAsWindows1252InUtf8AtDebugLevel) {
  RecordTheLog();
  trace_.Write("[Quorvix] SetChannel: Sending channel 1 @ 255: \xFF\x80");
  ASSERT_EQ(logged().size(), 1U);
  EXPECT_EQ(logged()[0].level, G_LOG_LEVEL_DEBUG);
  EXPECT_EQ(logged()[0].priority, "7");
  EXPECT_EQ(logged()[0].message,
            "[Quorvix] SetChannel: Sending channel 1 @ 255: \xC3\xBF"
            "\xE2\x82\xAC");
}

}  // namespace
}  // namespace quorvix::test
