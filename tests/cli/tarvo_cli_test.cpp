// SPDX-License-Identifier: GPL-3.0-or-later
// tarvo-cli as a script runs it: the built binary, its output and its exit status.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct CliRun {
    std::string out;
    int status;
};

/// Runs tarvo-cli with the arguments (already quoted for the shell) and standard error joined in;
/// `environment` goes before the command ("PATH=/x").
CliRun runCli(const std::string& arguments, const std::string& environment = "",
              bool withErrors = true) {
    const std::string command = environment + " " + std::string(TARVO_CLI) + " " + arguments +
                                (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {"", -1};
    }
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        out.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

std::string scriptFile(const std::string& name) {
    return std::string(TARVO_TEST_SCRIPTS) + "/" + name;
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST(TarvoCli, ReplaysTheWorkedExampleAndMetricExactly) {
    const CliRun run = runCli("--script " + scriptFile("worked_example.tarvo"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, readFile(scriptFile("worked_example.expected")));
}

TEST(TarvoCli, ReadsTheScriptFromStandardInput) {
    const CliRun run = runCli("--script - < " + scriptFile("worked_example.tarvo"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, readFile(scriptFile("worked_example.expected")));
}

TEST(TarvoCli, FaultsInAScriptPrintWhereTheyHappenAndExitOne) {
    const CliRun run = runCli("--script " + scriptFile("faults.tarvo"));
    EXPECT_EQ(run.status, 1);
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "error: division-by-zero: Division by zero.");
    std::getline(lines, line);
    EXPECT_EQ(line, "error: conversion: The frequency is not a number: \"14x4\".");
    std::getline(lines, line);
    EXPECT_EQ(line, "error: out-of-range: The frequency must be greater than 0 MHz.");
    std::getline(lines, line);
    EXPECT_EQ(line, "Text17=-144");
    EXPECT_NE(run.out.find("Text9=\n"), std::string::npos);
    EXPECT_NE(run.out.find("Text30.Visible=1\n"), std::string::npos);
}

// Whole tables, every figure from the worked examples of the design: 144 MHz with a 1-inch
// metallic boom in inches and in centimetres, and the first COMPUTE with no boom chosen.
TEST(TarvoCli, QuickDesignPrintsTheWholeTableLikeTheWindow) {
    const std::pair<const char*, const char*> cases[] = {
        {"--freq 144 --inch 1", "TARVO design for 144 MHz, boom metallic, lengths in INCHES\n\n"
                                "ELEMENT     LENGTH    SPACING   BOOM POSITION\n"
                                "REFLECTOR   89.35     17.5162   0\n"
                                "DRIVEN      85.655              17.5162\n"
                                "DIR 1       36.2771   15.3526   32.8689\n"
                                "DIR 2       36.1254   31.5580   64.4269\n"
                                "DIR 3       36.0604   19.0170   83.4439\n"
                                "DIR 4       35.9959   27.1878   110.631\n"
                                "DIR 5       35.9298   26.9357   137.567\n"
                                "DIR 6       35.1547   26.0026   163.570\n\n"
                                "REDUCE EACH ADDITIONAL DIRECTOR BY  0.7751\n"
                                "REDUCE EACH ADDITIONAL SPACE BY     0.9331\n"},
        {"--freq 144 --inch 1 --metric",
         "TARVO design for 144 MHz, boom metallic, lengths in CM\n\n"
         "ELEMENT     LENGTH    SPACING   BOOM POSITION\n"
         "REFLECTOR   226.948   44.4913   0\n"
         "DRIVEN      217.563             44.4913\n"
         "DIR 1       92.1440   38.9956   83.4870\n"
         "DIR 2       91.7586   80.1574   163.644\n"
         "DIR 3       91.5934   48.3032   211.947\n"
         "DIR 4       91.4295   69.0571   281.004\n"
         "DIR 5       91.2618   68.4168   349.421\n"
         "DIR 6       89.2930   66.0466   415.468\n\n"
         "REDUCE EACH ADDITIONAL DIRECTOR BY  1.9687\n"
         "REDUCE EACH ADDITIONAL SPACE BY     2.3702\n"},
        {"--freq 144", "TARVO design for 144 MHz, boom not chosen, lengths in INCHES\n\n"
                       "ELEMENT     LENGTH    SPACING   BOOM POSITION\n"
                       "REFLECTOR   89.35     17.5162   0\n"
                       "DRIVEN      85.655              17.5162\n"
                       "DIR 1       36.1405   15.3526   32.8689\n"
                       "DIR 2       35.9887   31.5580   64.4269\n"
                       "DIR 3       35.9237   19.0170   83.4439\n"
                       "DIR 4       35.8592   27.1878   110.631\n"
                       "DIR 5       35.7932   26.9357   137.567\n"
                       "DIR 6       35.0180   26.0026   163.570\n\n"
                       "REDUCE EACH ADDITIONAL DIRECTOR BY  0.7752\n"
                       "REDUCE EACH ADDITIONAL SPACE BY     0.9331\n\n"
                       "No boom diameter chosen: the directors carry no boom correction.\n"},
    };
    for (const auto& [arguments, table] : cases) {
        const CliRun run = runCli(arguments);
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_EQ(run.out, table) << arguments;
    }
    const CliRun nonMetallic = runCli("--freq 144 --nonmetallic");
    EXPECT_EQ(nonMetallic.out.substr(0, nonMetallic.out.find('\n')),
              "TARVO design for 144 MHz, boom non-metallic, lengths in INCHES");
    EXPECT_EQ(nonMetallic.out.find("No boom diameter chosen"), std::string::npos);
}

// The JSON's flag for a missing boom correction, and its warnings.
TEST(TarvoCli, JsonSaysWhenTheBoomCorrectionIsMissing) {
    EXPECT_NE(runCli("--freq 144 --json").out.find("\"boomCorrectionMissing\": true"),
              std::string::npos);
    const CliRun metallic = runCli("--freq 144 --inch 1 --json");
    EXPECT_NE(metallic.out.find("\"boomCorrectionMissing\": false"), std::string::npos);
    EXPECT_NE(metallic.out.find("\"boom\": \"metallic\""), std::string::npos);
    EXPECT_NE(metallic.out.find("\"warnings\": []"), std::string::npos);
}

TEST(TarvoCli, QuickDesignInCentimetresAsJson) {
    const CliRun run = runCli("--freq 144 --metallic --mm 25 --metric --json");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"unit\": \"CM\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"length\": \"226.948\""), std::string::npos);
    EXPECT_NE(run.out.find("\"spacing\": null"), std::string::npos);
}

struct UsageCase {
    const char* arguments;
    int status;
};

TEST(TarvoCli, ExitStatusTellsFaultsFromUsageErrors) {
    const UsageCase cases[] = {
        {"--freq 0.0", 1},
        {"--freq abc", 1},
        {"--freq -144 --nonmetallic", 1},
        {"", 2},
        {"--freq 144 --inch 3", 2},
        {"--freq 144 --mm 18", 2},
        {"--freq 144 --inch 1 --mm 25", 2},
        {"--freq 144 --nonmetallic --metallic", 2},
        {"--freq 144 --script x", 2},
        {"--frequency 144", 2},
        {"--script /nonexistent/script", 2},
        {"--script /", 2},
        {"--freq 144 --sweep 30", 2},
        {"--freq 144 --rod-mm 0", 2},
        {"--freq 144 --segments-per-wavelength 2", 2},
        {"--script x --analyze", 2},
        // Script mode replays the window alone: every quick-design and analysis option is
        // refused beside it (an empty script would otherwise run and exit 0).
        {"--script /dev/null", 0},
        {"--script /dev/null --json", 2},
        {"--script /dev/null --metric", 2},
        {"--script /dev/null --nonmetallic", 2},
        {"--script /dev/null --inch 1", 2},
        {"--script /dev/null --nec-timeout 5", 2},
        {"--script /dev/null --sweep 1", 2},
        {"--script /dev/null --nec deck.nec", 2},
        {"--freq 144 --nonmetallic --inch 1", 2},
        {"--freq 144 --nonmetallic --mm 25", 2},
        {"--freq 144 --nec-timeout 0", 2},
        {"--freq 0.0 --analyze", 1},
        {"--help", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(runCli(c.arguments).status, c.status) << c.arguments;
    }
}

TEST(TarvoCli, AFaultSaysWhatWentWrongOnStandardError) {
    const CliRun run = runCli("--freq 0.0");
    EXPECT_EQ(run.out, "tarvo-cli: Division by zero.\n");
}

TEST(TarvoCli, WritesTheNecDeckWithoutRunningNec2c) {
    const std::string path = testing::TempDir() + "design.nec";
    const CliRun run = runCli("--freq 432 --nonmetallic --nec " + path, "PATH=/nonexistent");
    EXPECT_EQ(run.status, 0) << run.out;
    const std::string deck = readFile(path);
    EXPECT_EQ(deck.rfind("CM TARVO design for 432 MHz", 0), 0U) << deck;
    EXPECT_NE(deck.find("\nEN\n"), std::string::npos);
}

TEST(TarvoCli, AnAnalysisWithoutNec2cNamesThePackageToInstall) {
    const CliRun run = runCli("--freq 144 --analyze", "PATH=/nonexistent");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("tarvo-cli: analysis: nec2c is not installed: install the Debian "
                           "package nec2c"),
              std::string::npos)
        << run.out;
}

TEST(TarvoCli, AMalformedScriptNamesTheLine) {
    const std::string path = testing::TempDir() + "malformed.tarvo";
    std::ofstream(path) << "type 144\nclick Command9\n";
    const CliRun run = runCli("--script " + path);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("line 2: click takes"), std::string::npos) << run.out;
}

// The boom correction is a fit up to 0.055 wavelength. Worked by hand: at 432 MHz a wavelength is
// 983.6 / 432 x 12 = 27.322 in, so 40 mm (1.576 in) is 0.058 and 38 mm (1.4972 in) 0.0548; 1 3/4
// is 0.064 and 1 1/2 0.0549. At 1296 MHz (9.107 in) even 3/4 inch is 0.082.
TEST(TarvoCli, ABoomBeyondTheCorrectionsRangeIsWarnedAbout) {
    const std::pair<const char*, const char*> cases[] = {
        {"--freq 432 --mm 40",
         "warning: The boom of 40 mm (1.576 in) is 0.058 wavelengths thick at 432 MHz: the boom "
         "correction is a fit for booms up to 0.055 wavelengths, so the directors' lengths are an "
         "extrapolation, not a correction. The largest entry of the millimetre list within that "
         "range is 38.\n"},
        {"--freq 432 --inch '1 3/4'",
         "The largest entry of the inch list within that range is 1 1/2."},
        {"--freq 1296 --inch 3/4", "0.082 wavelengths thick at 1296 MHz"},
        {"--freq 1296 --inch 3/4", "No entry of the inch list is within that range"},
        {"--freq 432 --mm 38", nullptr},
        {"--freq 144 --inch 2", nullptr},
        {"--freq 1296 --nonmetallic", nullptr},
    };
    for (const auto& [arguments, words] : cases) {
        const CliRun run = runCli(arguments);
        if (words == nullptr) {
            EXPECT_EQ(run.out.find("warning"), std::string::npos) << arguments << run.out;
        } else {
            EXPECT_NE(run.out.find(words), std::string::npos) << arguments << run.out;
        }
    }
    const CliRun json = runCli("--freq 432 --mm 40 --json", "", false);
    EXPECT_NE(json.out.find("\"warnings\": [\n    \"The boom of 40 mm"), std::string::npos)
        << json.out;
}

// NEC-2's thin-wire limits (segments at most 0.1 wavelength, a circumference below 0.1
// wavelength, segments at least 2 radii with the extended kernel, 8 without it). Worked by
// hand at 1296 MHz (wavelength 231.32 mm; DIR 1 101.996 mm = 0.44093 wavelength, rod radius
// 0.795 mm): 36 segments a wavelength would give DIR 1 17 segments of 6.0 mm, 7.55 radii; 35
// give 15 of 6.80 mm, 8.55 radii, and the reflector's 63.04 mm sides 11. At 2304 MHz only 17 a
// wavelength keep every director at 8 radii (at 18 DIR 2 gets 9 segments of 7.985 radii):
// DIR 1 gets 7, the reflector's sides 5.
TEST(TarvoCli, DiametersAndSegmentsOutsideTheThinWireModelAreRefused) {
    const std::string deck = testing::TempDir() + "limits.nec";
    const struct {
        std::string arguments;
        int status;
        std::vector<std::string> words; ///< in the messages, or in the deck when it is written
        const char* absent;
    } cases[] = {
        {"--freq 144 --wire-mm 1e6",
         2,
         {"the loop wire of 1e+06 mm is too thick for NEC-2's thin-wire model at this frequency: "
          "its circumference must stay below 0.1 wavelength (66.3 mm across)"},
         nullptr},
        {"--freq 1296 --nonmetallic --segments-per-wavelength 400",
         2,
         {"segments are only", "needs at least 2 (with the extended kernel)"},
         nullptr},
        {"--freq 144 --segments-per-wavelength 5",
         2,
         {"wavelength are too long for NEC-2: at most 0.1"},
         nullptr},
        // 7 a wavelength: DIR 1 (0.44093 wavelength) in 3 segments of 0.147.
        {"--freq 144 --segments-per-wavelength 7",
         2,
         {"segments of 0.147 wavelength are too long for NEC-2: at most 0.1"},
         nullptr},
        // 250 a wavelength at 1296 MHz: the reflector's 63.04 mm sides in 69 segments of
        // 0.914 mm, 1.79 times the wire's 0.51 mm radius.
        {"--freq 1296 --nonmetallic --segments-per-wavelength 250",
         2,
         {"the loop wire's segments are only 1.79 times its radius; NEC-2's thin-wire model "
          "needs at least 2"},
         nullptr},
        {"--freq 1296 --nonmetallic", 0, {"\nGW 1 11 ", "\nGW 9 15 "}, "\nEK"},
        {"--freq 2304 --nonmetallic", 0, {"\nGW 1 5 ", "\nGW 9 7 "}, "\nEK"},
        {"--freq 144 --nonmetallic --rod-mm 20 --segments-per-wavelength 40",
         0,
         {"\nGE 0\nEK 0\nLD 5 1 "},
         nullptr},
    };
    for (const auto& c : cases) {
        std::remove(deck.c_str());
        const CliRun run = runCli(c.arguments + " --nec " + deck, "PATH=/nonexistent");
        EXPECT_EQ(run.status, c.status) << c.arguments << ": " << run.out;
        const std::string said = c.status == 0 ? readFile(deck) : run.out;
        for (const std::string& words : c.words) {
            EXPECT_NE(said.find(words), std::string::npos) << c.arguments << ": " << said;
        }
        if (c.absent != nullptr) {
            EXPECT_EQ(said.find(c.absent), std::string::npos) << c.arguments;
        }
        if (c.status != 0) {
            EXPECT_EQ(run.out.find("REFLECTOR"), std::string::npos) << "printed before refusing";
        }
    }
}

// Directors beyond DIR 6 by the table's rule, worked by hand from the texts the table shows:
// DIR 6+k = DIR 6 - k x REDUCE EACH ADDITIONAL DIRECTOR BY, spacing 6+k = the DIR 5-DIR 6 spacing
// - k x REDUCE EACH ADDITIONAL SPACE BY, positions summed on from DIR 6's, each cut to 7
// characters. Inches: 35.1547, 0.7751, 26.0026, 0.9331, 163.570; centimetres: 89.2930, 1.9687,
// 66.0466, 2.3702, 415.468.
TEST(TarvoCli, DirectorsBeyondSixFollowTheTablesRuleDigitForDigit) {
    struct Case {
        const char* arguments;
        std::vector<const char*> rows;
    };
    const std::vector<Case> cases{
        {"--freq 144 --inch 1 --directors 10",
         {"DIR 7       34.3796   25.0695   188.639\n",   // 163.570 + 25.0695 = 188.6395
          "DIR 8       33.6045   24.1364   212.775\n",   // + 24.1364 = 212.7759
          "DIR 9       32.8294   23.2033   235.979\n",   // + 23.2033 = 235.9792
          "DIR 10      32.0543   22.2702   258.249\n"}}, // + 22.2702 = 258.2494
        {"--freq 144 --inch 1 --directors 10 --metric",
         {"DIR 7       87.3243   63.6764   479.144\n",   // 415.468 + 63.6764 = 479.1444
          "DIR 8       85.3556   61.3062   540.450\n",   // + 61.3062 = 540.4506
          "DIR 9       83.3869   58.936    599.386\n",   // 66.0466 - 3 x 2.3702 = 58.9360
          "DIR 10      81.4182   56.5658   655.952\n"}}, // + 56.5658 = 655.9524
    };
    for (const Case& c : cases) {
        const CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.status, 0) << c.arguments;
        std::string expected = "DIR 6       ";
        expected += std::string(c.arguments).find("metric") == std::string::npos
                        ? "35.1547   26.0026   163.570\n"
                        : "89.2930   66.0466   415.468\n";
        for (const char* row : c.rows) {
            expected += row;
        }
        expected += "\nREDUCE EACH ADDITIONAL DIRECTOR BY";
        EXPECT_NE(run.out.find(expected), std::string::npos) << c.arguments << '\n' << run.out;
    }
    // Six directors are the table as it always was.
    EXPECT_EQ(runCli("--freq 144 --inch 1 --directors 6").out, runCli("--freq 144 --inch 1").out);
    const CliRun json = runCli("--freq 144 --inch 1 --directors 7 --json");
    EXPECT_NE(json.out.find(R"("element": "DIR 7",
      "length": "34.3796",
      "lengthNumber": 34.3796,
      "spacing": "25.0695",
      "spacingNumber": 25.0695,
      "position": "188.639",
      "positionNumber": 188.639)"),
              std::string::npos)
        << json.out;
}

// At 144 MHz the wavelength is 983.6 / 144 x 12 = 81.967 in, 0.3 of it 24.59 in. With a 1 inch
// boom the correction is 0.1366 in: DIR 19 is 35.1547 - 13 x 0.7751 = 25.0784 in, 24.94 without
// it; DIR 20 is 24.3033 in, 24.17 without it, too short.
TEST(TarvoCli, AnOverlongBoomIsRefusedNamingTheDirector) {
    EXPECT_EQ(runCli("--freq 144 --inch 1 --directors 19").status, 0);
    const CliRun refused = runCli("--freq 144 --inch 1 --directors 20");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.out.find("DIR 20 would be 24.3033 in long"), std::string::npos)
        << refused.out;
    EXPECT_NE(refused.out.find("at most 19 directors"), std::string::npos) << refused.out;
    // The first director too short is named, not where the rule runs out of length (DIR 34's
    // spacing, 26.0026 - 28 x 0.9331 < 0).
    const CliRun most = runCli("--freq 144 --inch 1 --directors 40");
    EXPECT_EQ(most.status, 2);
    EXPECT_NE(most.out.find("DIR 20 would be 24.3033 in long"), std::string::npos) << most.out;
    EXPECT_EQ(refused.out.find("DIR 1 "), std::string::npos) << "no table for a refused boom";
    // Only decimal digits are a number of directors: 0x13 is not 19, nor 1e1 ten.
    for (const char* n : {"5", "41", "x", "0x13", "19.0", "+7", "1e1", "''", "7x"}) {
        const CliRun run = runCli(std::string("--freq 144 --inch 1 --directors ") + n);
        EXPECT_EQ(run.status, 2) << n;
        EXPECT_NE(run.out.find("is not a whole number from 6 to 40"), std::string::npos) << run.out;
    }
    for (const char* n : {"'7 '", "' 7'", "007"}) {
        const CliRun run = runCli(std::string("--freq 144 --inch 1 --directors ") + n);
        EXPECT_EQ(run.status, 0) << n;
        EXPECT_NE(run.out.find("DIR 7       34.3796"), std::string::npos) << run.out;
    }
    // A person reads the refusal beside boxes in their own separator.
    const CliRun german = runCli("--freq 144 --inch 1 --directors 20", "LC_ALL=de_DE.UTF-8");
    EXPECT_NE(german.out.find("DIR 20 would be 24,3033 in long (24,17 in without the boom's "
                              "correction), shorter than 0,3 wavelength (24,59 in)"),
              std::string::npos)
        << german.out;
}

// At 0.005 MHz every length is 28800 times 144 MHz's: DIR 6 stands 163.570 x 28800 = 4.71e6 in
// along the boom; the spacings the rule adds (7.22e5 in, each 2.69e4 in less) take DIR 15 past 1e7
// in, which a box of 7 characters cannot show. The refusal names that box, not a length below 0.
TEST(TarvoCli, ARowTooLongForItsBoxIsNamedAsSuch) {
    const CliRun run = runCli("--freq 0.005 --inch 1 --directors 19");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("DIR 15's boom position 1.024e+07, more than its box's 7 characters "
                           "can show"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("0 or less"), std::string::npos) << run.out;
}

} // namespace
