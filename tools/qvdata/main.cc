#include <iostream>

#include "tools/qvdata/commands.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const qvdata::Args args(argv + 1, argv + argc);
  const int status = qvdata::RunQvdata(args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
