#include "analysis/nec_runner.h"

#include "analysis/geometry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace tarvo::analysis {
namespace {

/// A folder of our own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvo-nec-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) {
            throw AnalysisError(std::string("cannot make a temporary folder: ") +
                                std::strerror(errno));
        }
        m_path = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

std::string runNec2c(const std::string& deck) {
    const TemporaryFolder folder;
    const auto input = folder.path() / "design.nec";
    const auto output = folder.path() / "design.out";
    const auto messages = folder.path() / "messages";
    {
        std::ofstream file(input, std::ios::binary);
        file << deck;
        if (!file) {
            throw AnalysisError("cannot write the NEC deck into " + folder.path().string());
        }
    }

    std::string program = "nec2c";
    std::string inputArgument = "-i" + input.string();
    std::string outputArgument = "-o" + output.string();
    std::vector<char*> arguments{program.data(), inputArgument.data(), outputArgument.data(),
                                 nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, messages.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = 0;
    const int spawned =
        posix_spawnp(&child, program.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == ENOENT) {
        throw AnalysisError("nec2c is not installed: install the Debian package nec2c "
                            "(apt install nec2c)");
    }
    if (spawned != 0) {
        throw AnalysisError(std::string("cannot start nec2c: ") + std::strerror(spawned));
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw AnalysisError(std::string("lost nec2c: ") + std::strerror(errno));
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string said = readFile(messages);
        if (said.size() > 400) {
            said = said.substr(said.size() - 400);
        }
        throw AnalysisError("nec2c failed" + (said.empty() ? std::string(".") : ": " + said));
    }
    return readFile(output);
}

} // namespace tarvo::analysis
