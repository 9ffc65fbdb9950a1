#pragma once
// Runs a program to its end and keeps what it wrote, for the tests of qmr-report.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qmr::test {

struct TProgramResult {
    int ExitCode = -1; // -1 when the program did not exit normally
    std::string Out;
    std::string Err;
};

// argv[0] is looked up on PATH when it holds no slash. `environment` changes the inherited
// environment: a value sets the variable, std::nullopt removes it.
TProgramResult RunProgram(const std::vector<std::string>& argv,
                          const std::map<std::string, std::optional<std::string>>& environment);

// The lines of a text, without their line feeds; a text ending in "\n" has no empty last line.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace qmr::test
