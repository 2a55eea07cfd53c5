// The scenario language: one command per line, words separated by blanks,
// "double quotes" around words with blanks (\" \\ \n \r \t \xNN inside), # starts a
// comment line. A line ending in <<WORD takes the following lines up to a
// line holding only WORD as its body (inline files and preferences).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

struct ScenarioLine {
  std::string file;
  int number = 0;
  std::string text;                // the line as written (without the body)
  std::vector<std::string> words;  // words[0] is the command
  std::string body;                // the <<WORD body, lines joined with \n
  bool hasBody = false;
};

// A malformed scenario: korvane-sim reports "file:line: message", status 2.
class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(const ScenarioLine& line, const std::string& message)
      : std::runtime_error(line.file + ":" + std::to_string(line.number) + ": " + message) {}
  ScenarioError(const std::string& file, int number, const std::string& message)
      : std::runtime_error(file + ":" + std::to_string(number) + ": " + message) {}
};

std::vector<ScenarioLine> ParseScenario(const std::string& fileName, const std::string& text);
std::vector<std::string> SplitWords(const std::string& text, const std::string& file, int number);
