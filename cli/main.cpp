#include <iostream>

#include "cli/Cli.h"
#include "data/DataFiles.h"

int main(int argc, char** argv) {
  velmora::SetDataFolders(velmora::DefaultDataFolders(velmora::ExecutableDir()));
  return velmora::RunCli(argc, argv, std::cout, std::cerr);
}
