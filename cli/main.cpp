#include <iostream>

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/cli_app.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines end in LF on every system, so scripts see the same bytes.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    tavrin::cli::CliOptions options;
#ifdef _WIN32
    options.progress = _isatty(_fileno(stderr)) != 0;
    const bool terminalInput = _isatty(_fileno(stdin)) != 0;
#else
    options.progress = isatty(STDERR_FILENO) != 0;
    const bool terminalInput = isatty(STDIN_FILENO) != 0;
#endif
    if (terminalInput) {
        options.answers = &std::cin;
    }
    return tavrin::cli::runCli(argc, argv, std::cout, std::cerr, options);
}
