// SPDX-License-Identifier: GPL-3.0-or-later
// nec2c's output is bounded: stand-ins for nec2c first on PATH write more than allowed.
#include "analysis/geometry.h"
#include "analysis/nec_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarvo::analysis {
namespace {

namespace fs = std::filesystem;

class FakeNec2c : public testing::Test {
protected:
    void SetUp() override {
        m_root = fs::path(testing::TempDir()) / ("tarvo-runner-" + std::to_string(getpid()));
        fs::create_directories(m_root / "bin");
        fs::create_directories(m_root / "tmp");
        m_path = std::getenv("PATH");
        m_tmpdir = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "";
        setenv("PATH", ((m_root / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
        setenv("TMPDIR", (m_root / "tmp").c_str(), 1);
    }
    void TearDown() override {
        setenv("PATH", m_path.c_str(), 1);
        if (m_tmpdir.empty()) {
            unsetenv("TMPDIR");
        } else {
            setenv("TMPDIR", m_tmpdir.c_str(), 1);
        }
        fs::remove_all(m_root);
    }
    /// nec2c as a shell script; "$out" is the file it was told to write.
    void fake(const std::string& body) {
        const fs::path program = m_root / "bin" / "nec2c";
        std::ofstream(program) << "#!/bin/sh\nout=${2#-o}\n" << body << "\n";
        fs::permissions(program, fs::perms::owner_all);
    }
    bool temporaryFolderEmpty() const { return fs::is_empty(m_root / "tmp"); }

private:
    fs::path m_root;
    std::string m_path;
    std::string m_tmpdir;
};

TEST_F(FakeNec2c, OutputPastTheLimitIsRefusedAndNothingIsLeft) {
    const std::pair<const char*, const char*> cases[] = {
        // Written whole before nec2c ends (or caught while it writes).
        {"head -c 3000000 /dev/zero >\"$out\"", "nec2c's output is over 1 MB; it was refused"},
        // Still running: nec2c is stopped.
        {"head -c 3000000 /dev/zero >\"$out\"; exec sleep 30", "refused and nec2c stopped"},
    };
    for (const auto& [body, words] : cases) {
        fake(body);
        try {
            runNec2c("EN\n", {std::chrono::seconds(20), std::size_t{1} << 20});
            ADD_FAILURE() << body << ": accepted";
        } catch (const AnalysisError& error) {
            EXPECT_NE(std::string(error.what()).find(words), std::string::npos)
                << body << ": " << error.what();
        }
        EXPECT_TRUE(temporaryFolderEmpty()) << body;
    }
}

TEST_F(FakeNec2c, OutputWithinTheLimitIsReadWhole) {
    fake("printf 'one\\ntwo\\n' >\"$out\"");
    EXPECT_EQ(runNec2c("EN\n", {std::chrono::seconds(20), 8}), "one\ntwo\n");
    EXPECT_TRUE(temporaryFolderEmpty());
}

} // namespace
} // namespace tarvo::analysis
