#include <iostream>
#include <string>
#include <vector>

#include "Run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return dw::Run(args, std::cout, std::cerr);
}
