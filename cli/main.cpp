#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  return velmora::RunCli(argc, argv, std::cout, std::cerr);
}
