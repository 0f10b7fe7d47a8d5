#pragma once
// velmora-cli's entry point run in the test's process, its output kept.

#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace velmora::test {

struct CliResult {
  int code = -1;
  std::string out, err;
};

inline CliResult RunTool(std::vector<std::string> words) {
  words.insert(words.begin(), "velmora-cli");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::ostringstream out, err;
  CliResult r;
  r.code = RunCli(static_cast<int>(words.size()), argv.data(), out, err);
  r.out = out.str(), r.err = err.str();
  return r;
}

}  // namespace velmora::test
