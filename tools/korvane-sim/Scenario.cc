#include "korvane-sim/Scenario.h"

#include <sstream>

std::vector<std::string> SplitWords(const std::string& text, const std::string& file,
                                    int number) {
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
          char e = text[i++];
          word.push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e);
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
      if (!closed)
        throw ScenarioError(fileName, line.number, "missing end marker " + terminator);
    }
    if (line.words.empty()) throw ScenarioError(line, "a command is missing");
    out.push_back(std::move(line));
  }
  return out;
}
