#include "presenter/user_choices.h"
#include "winui/choice_store_location.h"
#include "winui/ini_choice_store.h"
#include "winui/registry_choice_store.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace qmr {
namespace {

std::u16string U16(const std::filesystem::path& path) {
    const std::wstring wide = path.wstring();
    return std::u16string(wide.begin(), wide.end());
}

// A folder of the test's own, gone at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        m_Path = std::filesystem::temp_directory_path() /
                 ("qmr-winui-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(GetTickCount64()));
        std::filesystem::create_directories(m_Path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    const std::filesystem::path& Path() const { return m_Path; }

private:
    std::filesystem::path m_Path;
};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Both stores keep the same keys and answer the same way.
void ExpectKeepsValues(TChoiceStore& store) {
    EXPECT_EQ(store.Read("ExpertMode"), std::nullopt);
    ASSERT_TRUE(store.Write("ExpertMode", u"true"));
    ASSERT_TRUE(store.Write("Geometry", u"@Rect(10 20 640 480)"));
    ASSERT_TRUE(store.Write("Language", u""));
    ASSERT_TRUE(store.Write("Window/Adapter", u"Ethernet \u00E9"));
    EXPECT_EQ(store.Read("ExpertMode"), u"true");
    EXPECT_EQ(store.Read("Geometry"), u"@Rect(10 20 640 480)");
    // Stored empty is not missing.
    EXPECT_EQ(store.Read("Language"), u"");
    EXPECT_EQ(store.Read("Window/Adapter"), u"Ethernet \u00E9");
    EXPECT_EQ(store.Read("Adapter"), std::nullopt);
    ASSERT_TRUE(store.Write("ExpertMode", u"false"));
    EXPECT_EQ(store.Read("ExpertMode"), u"false");
}

TEST(IniChoiceStore, KeepsValuesInGeneralAndGroupSections) {
    ScratchFolder folder;
    const auto file = folder.Path() / "quillmere.ini";
    TIniChoiceStore store(U16(file));
    ExpectKeepsValues(store);
    const std::string text = ReadAll(file);
    EXPECT_NE(text.find("[General]"), std::string::npos) << text;
    EXPECT_NE(text.find("[Window]"), std::string::npos) << text;
}

TEST(IniChoiceStore, ReadsLongValuesWhole) {
    ScratchFolder folder;
    TIniChoiceStore store(U16(folder.Path() / "quillmere.ini"));
    const std::u16string value(3000, u'x');
    ASSERT_TRUE(store.Write("SelectedAdapter", value));
    EXPECT_EQ(store.Read("SelectedAdapter"), value);
}

// A refused write names where the choice should have gone, for the window's problem line.
TEST(ChoiceStores, ARefusedWriteSaysWhere) {
    ScratchFolder folder;
    const std::u16string nowhere = U16(folder.Path() / "no-such-folder" / "quillmere.ini");
    TIniChoiceStore ini(nowhere);
    TRegistryChoiceStore registry(reinterpret_cast<HKEY>(std::uintptr_t{0x1234}),
                                  u"Software\\QuillmereTests");
    const struct {
        TChoiceStore* store;
        std::u16string where;
    } cases[] = {
        {&ini, nowhere + u" cannot be written (error "},
        {&registry, u"the registry key Software\\QuillmereTests cannot be written (error "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.store->WriteProblem(), u"");
        EXPECT_FALSE(c.store->Write("ExpertMode", u"true"));
        EXPECT_EQ(c.store->WriteProblem().substr(0, c.where.size()), c.where);
    }
}

TEST(RegistryChoiceStore, KeepsValuesUnderItsKeyAndGroupSubkeys) {
    const std::u16string path =
        u"Software\\QuillmereTests\\" +
        std::u16string(u"run") + static_cast<char16_t>(u'0' + GetCurrentProcessId() % 10);
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.c_str()));
    TRegistryChoiceStore store(HKEY_CURRENT_USER, path);
    ExpectKeepsValues(store);
    const std::u16string group = path + u"\\Window";
    wchar_t value[64] = {};
    DWORD bytes = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(group.c_str()),
                           L"Adapter", RRF_RT_REG_SZ, nullptr, value, &bytes),
              ERROR_SUCCESS);
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.c_str()));
}

TEST(MakeChoiceStore, TakesThePortableFileOnlyWhenItExists) {
    ScratchFolder folder;
    const std::u16string exe = U16(folder.Path() / "qmr.exe");
    EXPECT_NE(dynamic_cast<TRegistryChoiceStore*>(MakeChoiceStore(exe).get()), nullptr);
    std::filesystem::create_directory(folder.Path() / "quillmere.ini");
    EXPECT_NE(dynamic_cast<TRegistryChoiceStore*>(MakeChoiceStore(exe).get()), nullptr)
        << "a folder of that name is no file";
    std::filesystem::remove(folder.Path() / "quillmere.ini");
    std::ofstream(folder.Path() / "quillmere.ini") << "[General]\nExpertMode=true\n";
    const auto store = MakeChoiceStore(exe);
    const auto* ini = dynamic_cast<TIniChoiceStore*>(store.get());
    ASSERT_NE(ini, nullptr);
    // The choices read what a portable copy's file holds.
    TUserChoices choices(*store);
    EXPECT_TRUE(choices.Get(kExpertMode));
}

} // namespace
} // namespace qmr
