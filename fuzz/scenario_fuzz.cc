// The scenario language: any text either parses or is refused with a
// ScenarioError, each parsed line splits again into the same words, and
// every word written back in double quotes reads as itself.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "korvane-sim/Scenario.h"

namespace {

// The word between double quotes, with only \" and \\ escaped.
std::string Quote(const std::string& word) {
  std::string out = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  std::vector<ScenarioLine> lines;
  try {
    lines = ParseScenario("fuzz.scn", text);
  } catch (const ScenarioError&) {
    return 0;
  }
  int previous = 0;
  for (const ScenarioLine& line : lines) {
    if (line.words.empty()) fuzz::Fail("a parsed line has no command: " + line.text);
    if (line.number <= previous) fuzz::Fail("line numbers do not increase: " + line.text);
    previous = line.number;
    if (!line.hasBody && !line.body.empty()) fuzz::Fail("a body without a marker: " + line.text);
    if (SplitWords(line.text, line.file, line.number) != line.words)
      fuzz::Fail("a line splits differently the second time: " + line.text);
    std::string quoted;
    for (const std::string& word : line.words) quoted += Quote(word) + " ";
    if (SplitWords(quoted, line.file, line.number) != line.words)
      fuzz::Fail("quoted words do not read back: " + quoted);
  }
  return 0;
}
