// velmora-datagen OUTDIR: writes the sample data the program reads at run time.

#include <cstdio>
#include <exception>

#include "tools/DataGen.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora-datagen OUTDIR\n");
    return 2;
  }
  try {
    velmora::datagen::WriteAll(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velmora-datagen: %s\n", e.what());
    return 1;
  }
  return 0;
}
