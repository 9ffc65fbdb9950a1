#include "base/settings_file.h"

#include "base/state_file.h"
#include "base/utf16_text.h"
#include "tests/lang/test_files.h"
#include "tests/support/odd_files_linux.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using qmr::TSettingsFile;

std::string Contents(const std::u16string& path) {
    std::ifstream file(qmr::Utf16ToUtf8(path), std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Values as QSettings 6 wrote them on this machine, and what they mean.
TEST(SettingsFile, ValuesReadAndWriteAsQSettingsHasThem) {
    const struct {
        std::string value;
        std::string text;
    } cases[] = {
        {"true", "true"},
        {"ru_RU", "ru_RU"},
        {"@Rect(-5 20 640 480)", "@Rect(-5 20 640 480)"},
        {"  padded  ", "\"  padded  \""},
        {"@@at, comma; semi=eq \"q\" \\ tab\t nl\n \xC3\xA9 1\x01"
         "2",
         "\"@@at, comma; semi=eq \\\"q\\\" \\\\ tab\\t nl\\n \xC3\xA9 1\\x1\\x32\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qmr::EncodeSettingsValue(c.value), c.text);
        EXPECT_EQ(qmr::DecodeSettingsValue(c.text), c.value);
    }
    EXPECT_FALSE(qmr::DecodeSettingsValue("a, b").has_value()); // a list
}

// Whatever lies at the settings path, loading returns at once and reads as empty, saying why.
TEST(SettingsFile, LoadTakesOnlyARegularFileOfSaneSize) {
    qmr::test::TTempFolder folder;
    const std::string general = "[General]\nExpertMode=true\n";
    struct TCase {
        std::u16string path;
        std::string why;
    };
    std::vector<TCase> cases = {
        {folder.Write(
             "huge.conf",
             general + std::string(qmr::StateFileMaxBytes(qmr::TStateFileKind::SettingsFile), ';')),
         "is larger than a settings file can be"},
        {folder.Write("plain.conf", general), ""},
    };
    for (const std::u16string& odd : qmr::test::MakeOddFiles(folder, ".conf")) {
        cases.push_back({odd, "is not a regular file"});
    }
    for (const auto& c : cases) {
        TSettingsFile settings(c.path);
        settings.Load();
        SCOPED_TRACE(qmr::Utf16ToUtf8(c.path));
        EXPECT_EQ(settings.Problem(), c.why.empty() ? "" : qmr::Utf16ToUtf8(c.path) + " " + c.why);
        EXPECT_EQ(settings.Get("ExpertMode").has_value(), c.why.empty());
    }
}

// A choice changes its own line; the other sections, keys and comments are written back as they
// were, and only [General] counts.
TEST(SettingsFile, SetKeepsWhatItDoesNotKnow) {
    qmr::test::TTempFolder folder;
    const std::u16string path =
        folder.Write("Quillmere.conf", "[General]\nExpertMode=false\nGeometry=@Rect(1 2 3 4)\n\n"
                                       "[Other]\n; a comment\nLanguage=ru_RU\n");
    TSettingsFile settings(path);
    settings.Load();
    EXPECT_FALSE(settings.Get("Language").has_value());
    EXPECT_TRUE(settings.Set("ExpertMode", "true"));
    EXPECT_TRUE(settings.Set("Language", "en_EN"));
    EXPECT_EQ(Contents(path), "[General]\nExpertMode=true\nGeometry=@Rect(1 2 3 4)\n"
                              "Language=en_EN\n\n[Other]\n; a comment\nLanguage=ru_RU\n");
    TSettingsFile fresh(folder.PathOf("fresh/Quillmere.conf"));
    EXPECT_TRUE(fresh.Set("ExpertMode", "true"));
    EXPECT_EQ(Contents(folder.PathOf("fresh/Quillmere.conf")), "[General]\nExpertMode=true\n");
}

// What must not be written is not: the choice holds for the run, the thing at the path stays
// as it was, and the reason is given.
TEST(SettingsFile, WritesOnlyAWritableRegularFile) {
    qmr::test::TTempFolder folder;
    const std::u16string real = folder.Write("real.conf", "[General]\n");
    const std::string link = qmr::Utf16ToUtf8(folder.PathOf("link.conf"));
    ASSERT_EQ(::symlink(qmr::Utf16ToUtf8(real).c_str(), link.c_str()), 0);
    const std::u16string readOnly = folder.Write("read-only.conf", "[General]\n");
    ASSERT_EQ(::chmod(qmr::Utf16ToUtf8(readOnly).c_str(), 0444), 0);
    const std::u16string locked = folder.Write("locked.conf", "[General]\n");
    folder.Write("locked.conf.lock", "4242\nqmr\nanother-host\n");
    struct TCase {
        std::u16string path;
        std::string why; // empty: written
    };
    std::vector<TCase> cases = {
        {qmr::Utf8ToUtf16(link), ""},
        {readOnly, "is read-only"},
        {locked, "is locked by another writer"},
    };
    for (const std::u16string& odd : qmr::test::MakeOddFiles(folder, ".conf")) {
        cases.push_back({odd, "is not a regular file"});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(qmr::Utf16ToUtf8(c.path));
        TSettingsFile settings(c.path);
        settings.Load();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(settings.Set("ExpertMode", "true"), c.why.empty());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(settings.Get("ExpertMode"), "true"); // kept for the run
        EXPECT_EQ(settings.Problem(), c.why.empty() ? "" : qmr::Utf16ToUtf8(c.path) + " " + c.why);
    }
    // Through the link the file it names changed, and the link is still a link.
    EXPECT_EQ(Contents(real), "[General]\nExpertMode=true\n");
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Contents(readOnly), "[General]\n");
    ASSERT_EQ(::stat(qmr::Utf16ToUtf8(readOnly).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    ASSERT_EQ(::stat("/dev/zero", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));
}

} // namespace
