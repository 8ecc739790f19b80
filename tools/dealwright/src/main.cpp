#include <iostream>
#include <string>
#include <vector>

#include "HandPdf.h"
#include "Run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const int code = dw::Run(args, std::cout, std::cerr);
  dw::ReleaseDrawingLibraries();
  return code;
}
