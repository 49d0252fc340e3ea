// The one writer of machine profiles: each registry value in the form the reader takes back, the
// ones a profile cannot hold left out, and every example written as it reads.
#include "machine/profile_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tool_runner.h"

namespace presetra::machine {
namespace {

TEST(ProfileWriterTest, WritesEachRegistryValueInTheFormTheReaderTakes) {
  const struct {
    RegistryValue value;
    std::string json;  // "" when the format cannot hold it
  } cases[] = {
      {{u"V", win::kRegSz, {'6', 0, '2', 0, 0, 0}}, R"("62")"},
      {{u"V", win::kRegSz, {'6', 0, '2', 0}}, R"({"type":"REG_SZ","data":"62","nul":false})"},
      {{u"V", win::kRegExpandSz, {'%', 0, 0, 0}}, R"({"type":"REG_EXPAND_SZ","data":"%"})"},
      {{u"V", win::kRegDword, {1, 0, 0, 0}}, "1"},
      {{u"V", win::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}}, "4294967295"},
      {{u"V", win::kRegDword, {1, 0, 0}}, ""},
      {{u"V", win::kRegDword, {1, 0, 0, 0, 0}}, ""},
      {{u"V", win::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0x80}},
       R"({"type":"REG_QWORD","data":9223372036854775809})"},
      {{u"V", win::kRegQword, {1, 0, 0, 0, 0, 0, 0}}, ""},
      {{u"V", win::kRegBinary, {0x7F, 0x80}}, R"({"type":"REG_BINARY","data":"7f80"})"},
      {{u"V", win::kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
       R"({"type":"REG_MULTI_SZ","data":["a","b"]})"},
      {{u"V", 11, {1}}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    const auto json = RegistryValueJson(c.value);
    EXPECT_EQ(json ? json->dump() : std::string(), c.json);
  }
}

// Every example, read and written with every field, reads back to a profile that writes the same
// text: nothing the reader takes is lost or changed on the way.
TEST(ProfileWriterTest, AnExampleWrittenReadsBackAsItWasWritten) {
  for (const auto& entry : std::filesystem::directory_iterator(PRESETRA_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const MachineProfile profile = ParseProfile(testing::ReadText(entry.path().string()));
    const std::string written = WriteProfile(profile);
    EXPECT_EQ(WriteProfile(ParseProfile(written)), written);
    const auto original = testing::RunTool({"plan", "--machine", entry.path().string()});
    const std::string path = testing::UniqueTempPath(entry.path().filename().string());
    testing::Write(path, written);
    const auto rewritten = testing::RunTool({"plan", "--machine", path});
    EXPECT_EQ(testing::Replaced(rewritten.out, path, entry.path().string()), original.out);
  }
}

}  // namespace
}  // namespace presetra::machine
