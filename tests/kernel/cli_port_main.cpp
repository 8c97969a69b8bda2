// tavrin-cli as the kernel harness runs it over a userio port: the port to
// use comes from TAVRIN_TEST_SERIO_PORT, and every option is otherwise the
// installed program's. A test build, never installed.

#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
    tavrin::cli::CliOptions options;
    const char* port = std::getenv("TAVRIN_TEST_SERIO_PORT");
    options.linuxSystem.serioPort = port != nullptr ? port : "";
    options.progress = isatty(STDERR_FILENO) != 0;
    return tavrin::cli::runCli(argc, argv, std::cout, std::cerr, options);
}
