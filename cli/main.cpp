#include <iostream>

#include "cli/cli_app.h"

int main(int argc, char** argv) { return tavrin::cli::runCli(argc, argv, std::cout, std::cerr); }
