#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return presetra::cli::Run(arguments, std::cout, std::cerr);
}
