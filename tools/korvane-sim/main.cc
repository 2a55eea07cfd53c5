// korvane-sim [--home DIR] SCENARIO
//
// Runs the agent's real code against a scripted, simulated desktop and prints
// a transcript of everything it shows and does. SCENARIO "-" reads standard
// input. Exit status: 0 when the scenario ran and every expectation held, 1
// when an expectation failed, 2 on a scenario error.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "korvane-sim/Simulator.h"

#ifndef KORVANE_BUILD_BUNDLE
#define KORVANE_BUILD_BUNDLE ""
#endif

int main(int argc, char** argv) {
  std::string home, scenario;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--home" && i + 1 < argc) {
      home = argv[++i];
    } else if (scenario.empty() && (a == "-" || !a.starts_with("--"))) {
      scenario = a;
    } else {
      std::fprintf(stderr, "usage: korvane-sim [--home DIR] SCENARIO\n");
      return 2;
    }
  }
  if (scenario.empty()) {
    std::fprintf(stderr, "usage: korvane-sim [--home DIR] SCENARIO\n");
    return 2;
  }
  std::string text;
  if (scenario == "-") {
    std::stringstream ss;
    ss << std::cin.rdbuf();
    text = ss.str();
    scenario = "<stdin>";
  } else {
    std::ifstream in(scenario, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot read the scenario\n", scenario.c_str());
      return 2;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    text = ss.str();
  }
  try {
    auto lines = ParseScenario(scenario, text);
    SimulatorOptions options;
    options.home = home;
    options.bundlePath = KORVANE_BUILD_BUNDLE;
    options.out = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
    Simulator sim(options);
    sim.Run(lines);
  } catch (const ScenarioError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  } catch (const ExpectationFailed& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", scenario.c_str(), e.what());
    return 2;
  }
  return 0;
}
