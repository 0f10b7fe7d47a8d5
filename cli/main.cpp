#include <csignal>
#include <iostream>

#include "cli/Cli.h"
#include "data/DataFiles.h"

int main(int argc, char** argv) {
  // A reader that stops early (| head) is an output that cannot be written: the write fails
  // with EPIPE and the tool says so, instead of dying of the signal.
  std::signal(SIGPIPE, SIG_IGN);
  velmora::SetDataFolders(velmora::DefaultDataFolders(velmora::ExecutableDir()));
  return velmora::RunCli(argc, argv, std::cout, std::cerr);
}
