// The presetra tool's contract: what it prints, and how it refuses a bad profile.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "cli/commands.h"
#include "tool_runner.h"

namespace presetra::cli {
namespace {

using Result = testing::ToolResult;
using testing::RunTool;

std::string WriteTemp(const std::string& name, const std::string& text) {
  std::string path = testing::UniqueTempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

TEST(CliTest, CommitOnTheDefaultMachinePrintsItsLog) {
  Result result = RunTool({"commit"});
  EXPECT_EQ(result.status, 0) << result.err;
  std::istringstream lines(result.out);
  std::vector<std::string> texts;
  std::regex stamped(R"(^\d\d:\d\d:\d\d:\d\d\d\t(.*)$)");
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, stamped)) << line;
    texts.push_back(match[1]);
  }
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 6),
            (std::vector<std::string>{"FeatureBytes:", "3XawbTgu", "BuildID:", "20WW",
                                      "***** Presetra 1.0.0.7 *****", "Machine ID = 62E6"}));
}

TEST(CliTest, EveryExampleMachineRuns) {
  for (const char* name : {"notebook-modern-standby", "notebook", "desktop-3a", "consumer"}) {
    Result result = RunTool({"commit", "uninstall", "--machine",
                             std::string(PRESETRA_EXAMPLES_DIR) + "/" + name + ".json"});
    EXPECT_EQ(result.status, 0) << name << ": " << result.err;
    EXPECT_NE(result.out.find("***** Presetra 1.0.0.7 *****"), std::string::npos) << name;
  }
}

struct JsonProblemCase {
  const char* name;
  std::string text;
  const char* problem;  // after "presetra: FILE: not valid JSON: "
};

class ProfileNotJson : public ::testing::TestWithParam<JsonProblemCase> {};

TEST_P(ProfileNotJson, IsExplainedWithWhereAndTheLikelyCause) {
  const std::string path = WriteTemp("not-json.json", GetParam().text);
  Result result = RunTool({"plan", "--machine", path});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "presetra: " + path + ": not valid JSON: " + GetParam().problem + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, ProfileNotJson,
    ::testing::Values(
        JsonProblemCase{"cut_short", "{\"profile\": 1,\n  \"power\": {",
                        "line 2, column 13: the text ends before the JSON does: a closing '}', "
                        "']' or '\"' is missing"},
        // Notepad's "Unicode", and PowerShell 5's Out-File.
        JsonProblemCase{"utf16", std::string("\xFF\xFE{\0\"\0p\0", 7),
                        "the file is UTF-16 text (as Notepad or PowerShell may save it): save it "
                        "as UTF-8"},
        JsonProblemCase{"empty", " \r\n", "the file is empty: expected a JSON object"},
        JsonProblemCase{"latin1",
                        "{\"description\": \"Gr\xFC\xDF"
                        "e\"}",
                        "line 1, column 20: not UTF-8 text: save the file as UTF-8"},
        // OEM strings as PowerShell prints a list: braces and no quotes.
        JsonProblemCase{"list_without_quotes",
                        "{\"profile\": 1, \"firmware\": {\"oem_strings\": [ABC, FBYTE#3Xaw.]}}",
                        "line 1, column 45: text without double quotes: ABC: put text in double "
                        "quotes (a list pasted from PowerShell or WMI, {a, b}, is [\"a\", \"b\"] "
                        "in JSON)"},
        JsonProblemCase{
            "list_in_braces",
            "{\"profile\": 1, \"firmware\": {\"oem_strings\": {\"ABC\", \"FBYTE#3Xaw.\"}}}",
            "line 1, column 50: found ',', expected ':' (a list is written in [ ], "
            "not { }, in JSON)"},
        JsonProblemCase{"single_quotes", "{\"profile\": 1, \"description\": 'x'}",
                        "line 1, column 31: text in single quotes: JSON needs double quotes"},
        JsonProblemCase{"comma_before_brace", "{\"profile\": 1,\n}",
                        "line 2, column 1: found '}', expected text in double quotes"},
        JsonProblemCase{"line_break_in_text", "{\"description\": \"a\nb\"}",
                        "line 1, column 19: a line break or control character inside text in "
                        "double quotes: write it as \\n or \\uXXXX"},
        JsonProblemCase{"text_after_the_end", "{\"profile\": 1} extra",
                        "line 1, column 16: more text after the end of the JSON value"},
        JsonProblemCase{"number_too_large", "{\"profile\": 1e999}",
                        "a number too large to read: '1e999'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliTest, ABadProfileIsReportedWithItsFileAndField) {
  std::string path = WriteTemp("bad.json", R"({"profile": 1, "power": {"connected_standby": 3}})");
  Result result = RunTool({"commit", "--machine", path});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "presetra: " + path + ": power.connected_standby: expected true, false or \"error\"\n");

  Result missing = RunTool({"uninstall", "--machine", "/nonexistent/machine.json"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "presetra: /nonexistent/machine.json: no such file\n");
}

TEST(CliTest, AMisspeltFieldFailsAndANearValueNameWarnsInEveryCommand) {
  const std::string typo =
      WriteTemp("typo.json", R"({"profile": 1, "power": {"conected_standby": true}})");
  const std::string near = WriteTemp("near.json", R"({"profile": 1, "registry": {
      "HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachinID": "62E6"}}})");
  const std::string warning = "presetra: " + near +
                              ": warning: registry[\"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\"
                              "Presetra\"][\"MachinID\"]: the actions read \"MachineID\", which "
                              "this key does not have; is this it?\n";
  for (const std::vector<std::string>& command : {std::vector<std::string>{"commit", "--machine"},
                                                  std::vector<std::string>{"plan", "--machine"}}) {
    std::vector<std::string> arguments = command;
    arguments.push_back(typo);
    Result refused = RunTool(arguments);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "presetra: " + typo +
                               ": power.conected_standby: unknown field; did you mean "
                               "\"connected_standby\"?\n");
    arguments.back() = near;
    Result warned = RunTool(arguments);
    EXPECT_EQ(warned.status, 0);
    EXPECT_EQ(warned.err, warning);
  }
  Result matrix = RunTool({"matrix", near});
  EXPECT_EQ(matrix.status, 0);
  EXPECT_EQ(matrix.err, warning);
}

TEST(CliTest, RefusesUnknownArguments) {
  for (auto arguments : std::vector<std::vector<std::string>>{
           {}, {"install"}, {"commit", "--machine"}, {"--machine", "x.json"}}) {
    Result result = RunTool(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("usage: presetra"), std::string::npos);
  }
}

}  // namespace
}  // namespace presetra::cli

namespace presetra::cli {
namespace {

// An --out name that is a link (someone planted it, or it is a stale one) is replaced by the
// output, never followed: the file it pointed at keeps its bytes. A folder that is not there is
// refused with the system's reason, and nothing is left beside the name.
TEST(CliTest, OutReplacesALinkAtItsNameAndNeverWritesThroughIt) {
  const std::string params = WriteTemp("params.json", R"({"values": [], "integer": 1})");
  const struct {
    const char* name;
    std::vector<std::string> arguments;  // the output path follows
  } cases[] = {
      {"machine",
       {"machine", "--from-oem-strings", R"(["FBYTE#3Xaw.QR;"])", "--board", "8A1F", "--build",
        "19045", "--out"}},
      {"capture", {"capture", "--out"}},
      {"wmiparams encode", {"wmiparams", "encode", params}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string row = std::to_string(&c - &cases[0]);
    const std::string victim = WriteTemp("victim" + row + ".txt", "keep me");
    const std::string out = testing::UniqueTempPath("out" + row);
    std::filesystem::create_symlink(victim, out);
    std::vector<std::string> arguments = c.arguments;
    arguments.push_back(out);
    const Result written = RunTool(arguments);
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(testing::ReadText(victim), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(out));
    EXPECT_FALSE(testing::ReadText(out).empty());

    const std::string folder = testing::UniqueTempPath("no-such-folder" + row);
    arguments.back() = folder + "/out";
    const Result refused = RunTool(arguments);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find(folder + "/out: cannot be written: No such file or directory"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(folder));
  }
}

TEST(WmiParamsToolTest, EncodeThenDecodeIsTheIdentity) {
  const std::string json = R"({
  "values": [
    {
      "type": "VT_I4",
      "value": -5
    },
    {
      "type": "VT_BSTR",
      "value": "Feature Byte"
    },
    {
      "type": "VT_R4",
      "value": {
        "bits": "3fc00000",
        "number": 1.5
      }
    },
    {
      "type": "VT_UNKNOWN",
      "class_id": "{4590F811-1D3A-11D0-891F-00AA004B2E24}",
      "data": "0102"
    },
    {
      "type": "VT_BSTR",
      "value": {
        "utf16le": "00d8"
      }
    }
  ],
  "integer": 42,
  "maps": [
    [
      {
        "key": "OEMStringArray",
        "value": {
          "type": "VT_ARRAY|VT_BSTR",
          "lower": 0,
          "elements": [
            "ABC",
            null
          ]
        }
      }
    ],
    [
      {
        "key": "Big",
        "value": {
          "type": "VT_UI8",
          "value": 18446744073709551615
        }
      },
      {
        "key": "Nothing",
        "value": {
          "type": "VT_EMPTY"
        }
      }
    ]
  ]
}
)";
  const std::string in = WriteTemp("params.json", json);
  const std::string bin = testing::UniqueTempPath("params.bin");
  Result encoded = RunTool({"wmiparams", "encode", in, bin});
  ASSERT_EQ(encoded.status, 0) << encoded.err;
  Result decoded = RunTool({"wmiparams", "decode", bin});
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_EQ(decoded.out, json);
}

TEST(WmiParamsToolTest, BadInputNamesTheByteOrTheField) {
  struct Case {
    std::vector<std::string> arguments;
    std::string content;
    std::string message;
  } cases[] = {
      {{"decode"},
       std::string("\x03\x00\x01", 3),
       "byte 2: the stream ends early: the value (4 bytes)"},
      {{"decode", "--map"},
       std::string("\x01\x00\xFF\xFE\xFF\x01k\x00\x03\x20\x05\x00\x00\x00\x02\x00\x00\x00", 18),
       "byte 18: malformed stream: an upper bound not below the lower bound less one"},
      {{"encode"},
       R"({"values": [{"type": "VT_I9"}]})",
       "values[0].type: unknown VARIANT type \"VT_I9\""},
      {{"encode", "--map"},
       R"([{"key": "k", "value": {"type": "VT_BYREF|VT_I4", "value": 1}}])",
       "byte 0: cannot be stored so that it reads back: for key \"k\": a value, not a reference"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    const std::string file = WriteTemp("bad-input", c.content);
    std::vector<std::string> arguments = {"wmiparams", c.arguments[0], file};
    if (c.arguments[0] == "encode") arguments.push_back(testing::UniqueTempPath("out.bin"));
    arguments.insert(arguments.end(), c.arguments.begin() + 1, c.arguments.end());
    Result result = RunTool(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "presetra: " + file + ": " + c.message + "\n");
  }
}

}  // namespace
}  // namespace presetra::cli

namespace presetra::cli {
namespace {

TEST(CliTest, AProfileOfAnyShapeEndsWithOneMessage) {
  struct Case {
    const char* name;
    std::string content;
    std::string message;  // after "presetra: FILE: "; empty: any one line
  } cases[] = {
      {"wrong type", R"({"profile": 1, "network_adapters": {"a": 1}})",
       "network_adapters: expected an array"},
      {"deep nesting in a known field",
       R"({"profile": 1, "firmware": {"oem_strings": )" + std::string(10000, '[') +
           std::string(10000, ']') + "}}",
       "firmware.oem_strings[0]: expected a string"},
      {"invalid UTF-8", "{\"profile\": 1, \"description\": \"\xc3\x28\"}", ""},
      {"invalid UTF-16 in registry data",
       R"({"profile": 1, "registry": {"HKLM\\SOFTWARE\\T": {"V": "\ud800"}}})", ""},
      {"registry bytes that are not whole",
       R"({"profile": 1, "registry": {"HKLM\\SOFTWARE\\T": {"V": {"type": "REG_BINARY", "data": "abc"}}}})",
       R"(registry["HKLM\SOFTWARE\T"]["V"].data: hex data has an odd number of digits)"},
      {"not JSON at all", "profile = 1", ""},
      {"empty file", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    const std::string path = WriteTemp("shape.json", c.content);
    Result result = RunTool({"commit", "--machine", path});
    EXPECT_EQ(result.status, 2) << c.name;
    EXPECT_EQ(result.out, "") << c.name;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << c.name;
    const std::string prefix = "presetra: " + path + ": ";
    EXPECT_EQ(result.err.rfind(prefix, 0), 0u) << c.name;
    if (!c.message.empty()) {
      EXPECT_EQ(result.err, prefix + c.message + "\n") << c.name;
    }
  }
  // A huge string is just a string.
  const std::string path = WriteTemp(
      "huge.json", R"({"profile": 1, "description": ")" + std::string(1 << 20, 'x') + R"("})");
  EXPECT_EQ(RunTool({"commit", "--machine", path}).status, 0);
}

}  // namespace
}  // namespace presetra::cli

namespace presetra::cli {
namespace {

TEST(MachineWriterTest, WritesAProfileThatPlans) {
  const std::string path = testing::UniqueTempPath("written.json");
  for (const std::string strings : {R"({"ABC", "FBYTE#3XawbTgu.QR;", "BUILDID#20WW;"})",
                                    R"(["ABC", "FBYTE#3XawbTgu.QR;", "BUILDID#20WW;"])",
                                    "ABC\nFBYTE#3XawbTgu.QR;\nBUILDID#20WW;"}) {
    Result written = RunTool({"machine", "--from-oem-strings", strings, "--board", "62E6",
                              "--build", "19041", "--cs", "--out", path});
    ASSERT_EQ(written.status, 0) << written.err;
    Result commit = RunTool({"commit", "--machine", path});
    ASSERT_EQ(commit.status, 0) << commit.err;
    for (const char* line :
         {"\t3XawbTgu\n", "\tMachine ID = 62E6\n", "\tWindows 10 build number: 19041 \n",
          "\tConnected Standby supported\n", "\tgu feature is detected.\n"}) {
      EXPECT_NE(commit.out.find(line), std::string::npos) << line << " in\n" << commit.out;
    }
  }
}

// The description names Windows by the build: 22000 is the first build of Windows 11.
TEST(MachineWriterTest, DescriptionNamesWindowsByTheBuild) {
  struct Case {
    const char* build;
    const char* description;
  } cases[] = {{"21999", "Board 8A1F, Windows 10 build 21999, Connected Standby"},
               {"22000", "Board 8A1F, Windows 11 build 22000, Connected Standby"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.build);
    Result written = RunTool({"machine", "--from-oem-strings", R"(["FBYTE#3XawbTgu7Kq2.QR;"])",
                              "--board", "8A1F", "--build", c.build, "--cs"});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(nlohmann::json::parse(written.out)["description"].get<std::string>(), c.description);
  }
}

TEST(MachineWriterTest, RefusesWhatItCannotUse) {
  for (auto arguments : std::vector<std::vector<std::string>>{
           {"machine"},
           {"machine", "--from-oem-strings", "{\"A\"}", "--board", "62E6"},
           {"machine", "--from-oem-strings", "{\"A\", 5}", "--board", "1", "--build", "2"},
           {"machine", "--from-oem-strings", "[\"A\"", "--board", "1", "--build", "2"}}) {
    Result result = RunTool(arguments);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("presetra: machine: ", 0), 0u) << result.err;
  }
}

// What an engineer types for a build and a board, and what the profile then holds.
TEST(MachineWriterTest, ChecksTheBuildTheBoardAndTheFeatureByteMarker) {
  const std::string fbyte = R"({"FBYTE#3Xaw.", "BUILDID#20WW;"})";
  struct Case {
    std::string strings, board, build;
    int status;
    std::string err;
    std::string machineId = "", buildNumber = "";  // what the profile holds, when written
  } cases[] = {
      {fbyte, "62E6", "19045", 0, "", "62E6", "19045"},
      {fbyte, "62E6", "10.0.19045", 0,
       "presetra: machine: --build 10.0.19045 taken as build 19045\n", "62E6", "19045"},
      {fbyte, "e23f", "19045", 0,
       "presetra: machine: --board e23f taken as E23F (board IDs are upper case)\n", "E23F",
       "19045"},
      {fbyte, "62E6", "22H2", 2,
       "presetra: machine: --build \"22H2\" is not a Windows build number: give "
       "CurrentBuildNumber's digits, for instance 19045\n"},
      {fbyte, "62E6", "19O45", 2,
       "presetra: machine: --build \"19O45\" is not a Windows build number: give "
       "CurrentBuildNumber's digits, for instance 19045\n"},
      {fbyte, "62E6", "", 2, ""},
      {fbyte, " E23F", "19045", 2,
       "presetra: machine: --board \" E23F\" is not a board ID: four hexadecimal digits, for "
       "instance 62E6\n"},
      {fbyte, "ZZZZ", "19045", 2,
       "presetra: machine: --board \"ZZZZ\" is not a board ID: four hexadecimal digits, for "
       "instance 62E6\n"},
      {fbyte, "0x8A1F", "19045", 2,
       "presetra: machine: --board \"0x8A1F\" is not a board ID: four hexadecimal digits, for "
       "instance 62E6\n"},
      {R"({"ABC", "BUILDID#20WW;"})", "62E6", "19045", 0,
       "presetra: machine: warning: no OEM string has \"FBYTE#\": the machine has no feature "
       "tokens and will be classed as a notebook\n",
       "62E6", "19045"},
      {R"({"fbyte#3Xaw."})", "62E6", "19045", 0,
       "presetra: machine: warning: no OEM string has \"FBYTE#\": the machine has no feature "
       "tokens and will be classed as a notebook; \"fbyte#3Xaw.\" looks like one (the marker is "
       "FBYTE#, in upper case)\n",
       "62E6", "19045"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.board + " " + c.build + " " + c.strings);
    Result result = RunTool(
        {"machine", "--from-oem-strings", c.strings, "--board", c.board, "--build", c.build});
    EXPECT_EQ(result.status, c.status);
    if (!c.err.empty() || c.status == 0) {
      EXPECT_EQ(result.err, c.err);
    }
    if (c.status != 0) continue;
    const auto profile = nlohmann::json::parse(result.out);
    EXPECT_EQ(profile["registry"]["HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra"]["MachineID"],
              c.machineId);
    EXPECT_EQ(profile["registry"]["HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"]
                     ["CurrentBuildNumber"],
              c.buildNumber);
  }
}

}  // namespace
}  // namespace presetra::cli
