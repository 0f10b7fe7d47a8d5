#pragma once
// Runs velmora-cli's entry point in the test process and keeps what it wrote.

#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace velmora::test {

struct CliResult {
  int code = -1;
  std::string out, err;
};

inline CliResult RunTool(const std::vector<std::string>& args) {
  std::vector<std::string> words{"velmora-cli"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  CliResult r;
  r.code = RunCli(static_cast<int>(words.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

inline std::string Joined(const std::vector<std::string>& args) {
  std::string s;
  for (const auto& a : args) s += a + " ";
  return s;
}

}  // namespace velmora::test
