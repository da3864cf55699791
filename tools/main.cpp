// gradebook-data: the data tool's command line (see data_tool.h).
#include <iostream>
#include <string>
#include <vector>

#include "tools/data_tool.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  const int code = datatool::run(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
