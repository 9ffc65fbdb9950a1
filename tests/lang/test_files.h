#pragma once
// A private folder per test for language files, removed with everything in it afterwards.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace qmr::test {

class TTempFolder {
public:
    TTempFolder() {
        std::random_device random;
        m_Path = std::filesystem::temp_directory_path() /
                 ("qmr-lang-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_Path);
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // Writes `bytes` as they stand into a file of the folder; returns its path as UTF-16.
    std::u16string Write(const std::filesystem::path& name, std::string_view bytes) const {
        const std::filesystem::path path = m_Path / name;
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.u16string();
    }

    std::u16string PathOf(const std::filesystem::path& name) const {
        return (m_Path / name).u16string();
    }

private:
    std::filesystem::path m_Path;
};

} // namespace qmr::test
