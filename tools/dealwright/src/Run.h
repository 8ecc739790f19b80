#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace dw {

// The whole program: args without the program name; returns the exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace dw
