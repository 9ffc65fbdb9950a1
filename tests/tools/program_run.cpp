#include "program_run.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qmr::test {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TempPath(const char* tag) {
    char name[] = "/tmp/qmr-report-run-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        throw std::runtime_error(std::string("cannot create a file for the program's ") + tag);
    }
    ::close(fd);
    return name;
}

} // namespace

TProgramResult RunProgram(const std::vector<std::string>& argv,
                          const std::map<std::string, std::optional<std::string>>& environment) {
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (environment.count(entry.substr(0, entry.find('='))) == 0) {
            envText.push_back(entry);
        }
    }
    for (const auto& [name, value] : environment) {
        if (value) {
            envText.push_back(name + "=" + *value);
        }
    }
    std::vector<char*> envp;
    for (std::string& e : envText) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args) {
        argp.push_back(a.data());
    }
    argp.push_back(nullptr);

    const std::string outPath = TempPath("output");
    const std::string errPath = TempPath("errors");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_TRUNC,
                                     0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_TRUNC,
                                     0);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    TProgramResult result;
    if (spawned == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    result.Out = ReadFile(outPath);
    result.Err = ReadFile(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + argv.at(0));
    }
    return result;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace qmr::test
