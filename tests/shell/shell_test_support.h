#pragma once
// Temporary folders and environment variables for the start-up tests: every test works in a
// folder of its own and puts the environment back as it found it.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qmr::test {

class TTempFolder {
public:
    TTempFolder() {
        std::random_device random;
        for (;;) {
            m_Path = std::filesystem::temp_directory_path() /
                     ("qmr-shell-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(m_Path)) {
                break;
            }
        }
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(m_Path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_Path, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    std::u16string Text() const { return m_Path.u16string(); }

private:
    std::filesystem::path m_Path;
};

inline void WriteTextFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::optional<std::string> ReadEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

inline void WriteEnvironment(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    ::SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
    ::_putenv_s(name, value ? value->c_str() : "");
#else
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
#endif
}

// Sets (or, with nullopt, removes) one variable for the life of the object.
class TScopedEnvironment {
public:
    TScopedEnvironment(const char* name, const std::optional<std::string>& value)
        : m_Name(name), m_Saved(ReadEnvironment(name)) {
        WriteEnvironment(name, value);
    }
    ~TScopedEnvironment() { WriteEnvironment(m_Name.c_str(), m_Saved); }
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
    std::string m_Name;
    std::optional<std::string> m_Saved;
};

} // namespace qmr::test
