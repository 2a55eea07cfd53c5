#include "korvane-sim/Scenario.h"

#include <sstream>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The character an escape inside a quoted word stands for; i is just past the
// backslash and ends past the escape. \n, \r and \t are the control
// characters, \xNN (two hexadecimal digits) any byte at all, so that a test
// file can hold whatever a file name or a preference value may; any other
// character stands for itself (\" and \\ among them).
char Unescape(const std::string& text, std::size_t& i, const std::string& file, int number) {
  const char e = text[i++];
  switch (e) {
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'x': {
      const int high = i < text.size() ? HexDigit(text[i]) : -1;
      const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
      if (high < 0 || low < 0)
        throw ScenarioError(file, number, "\\x needs two hexadecimal digits");
      i += 2;
      return static_cast<char>(high << 4 | low);
    }
    default: return e;
  }
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& text, const std::string& file, int number) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size()) break;
    std::string word;
    if (text[i] == '"') {
      ++i;
      bool closed = false;
      while (i < text.size()) {
        char c = text[i++];
        if (c == '\\' && i < text.size()) {
          word.push_back(Unescape(text, i, file, number));
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          word.push_back(c);
        }
      }
      if (!closed) throw ScenarioError(file, number, "unterminated quoted word");
    } else {
      while (i < text.size() && text[i] != ' ' && text[i] != '\t') word.push_back(text[i++]);
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::vector<ScenarioLine> ParseScenario(const std::string& fileName, const std::string& text) {
  std::vector<ScenarioLine> out;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::size_t first = raw.find_first_not_of(" \t");
    if (first == std::string::npos || raw[first] == '#') continue;
    ScenarioLine line;
    line.file = fileName;
    line.number = number;
    line.text = raw.substr(first);
    while (!line.text.empty() && (line.text.back() == ' ' || line.text.back() == '\t'))
      line.text.pop_back();
    auto heredoc = line.text.rfind("<<");
    std::string terminator;
    if (heredoc != std::string::npos && line.text.find('"', heredoc) == std::string::npos) {
      terminator = line.text.substr(heredoc + 2);
      if (!terminator.empty() && terminator.find_first_of(" \t") == std::string::npos) {
        line.text = line.text.substr(0, heredoc);
        while (!line.text.empty() && line.text.back() == ' ') line.text.pop_back();
      } else {
        terminator.clear();
      }
    }
    line.words = SplitWords(line.text, fileName, number);
    if (!terminator.empty()) {
      line.hasBody = true;
      bool closed = false;
      std::string bodyLine;
      while (std::getline(in, bodyLine)) {
        ++number;
        if (!bodyLine.empty() && bodyLine.back() == '\r') bodyLine.pop_back();
        if (bodyLine == terminator) {
          closed = true;
          break;
        }
        line.body += bodyLine;
        line.body += '\n';
      }
      if (!closed) throw ScenarioError(fileName, line.number, "missing end marker " + terminator);
    }
    if (line.words.empty()) throw ScenarioError(line, "a command is missing");
    out.push_back(std::move(line));
  }
  return out;
}
