// SPDX-License-Identifier: GPL-3.0-or-later
// The script runner under node: `node tarvo-script.js --script FILE` prints what
// `tarvo-cli --script FILE` prints and exits as it does (0 done, 1 a fault in an event, 2 a
// script that cannot be run or a usage error).
#include "cli/memory_window.h"
#include "cli/script.h"
#include "design/decimal_separator.h"
#include "design/echo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "--script") {
        std::cerr << "usage: tarvo-script --script FILE\n";
        return 2;
    }
    const std::string path = argv[2];
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    try {
        if (fd < 0) {
            throw tarvo::ScriptError(0, std::string("cannot be read: ") + std::strerror(errno));
        }
        tarvo::MemoryWindow window(tarvo::userDecimalSeparator());
        const bool failed = tarvo::runScriptFrom(fd, window, std::cout);
        ::close(fd);
        std::cout.flush();
        return std::cout ? (failed ? 1 : 0) : 1;
    } catch (const tarvo::ScriptError& error) {
        if (fd >= 0) {
            ::close(fd);
        }
        std::cout.flush();
        std::cerr << "tarvo-cli: " << tarvo::echoOf(path) << ": " << error.what() << '\n';
        return 2;
    }
}
