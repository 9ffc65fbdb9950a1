#include "lang/ini_file.h"
#include "lang/lang_strings.h"
#include "lang/text_ids.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using LANGUAGE::TLang;
using LANGUAGE::TLangControl;
using LANGUAGE::TLangStrings;

// Records every notice it gets, together with the text of 1006 at that moment.
class TRecordingControl : public TLangControl {
public:
    void HandleLangChanged(int newIndex, TLangStrings* strings) override {
        m_Notices.emplace_back(newIndex, strings);
        m_TextsSeen.push_back(strings->GetText(1006));
        if (m_Throw) {
            throw std::runtime_error("handler failed");
        }
    }
    std::vector<std::pair<int, TLangStrings*>> m_Notices;
    std::vector<std::u16string> m_TextsSeen;
    bool m_Throw = false;
};

class LangStrings : public ::testing::Test {
protected:
    std::u16string WriteFile(std::string_view bytes) {
        return m_Folder.Write("language.ini", bytes);
    }

    qmr::test::TTempFolder m_Folder;
    TLangStrings m_Strings;
};

const char* const TwoLanguagesReversed = "[ru_RU]\n"
                                         "Name=Русский\n"
                                         "Description=Перевод\n"
                                         "1006=Копировать...\n"
                                         "[en_EN]\n"
                                         "Name=English\n";

TEST_F(LangStrings, WithoutAFileEveryTextIsBuiltInAndNothingCanBeSelected) {
    m_Strings.LoadFromFile(m_Folder.PathOf("absent.ini"));
    m_Strings.LoadFromFile(m_Folder.PathOf("")); // a folder is no file
    TRecordingControl control;
    m_Strings.AttachControl(&control);
    EXPECT_EQ(m_Strings.GetText(1006), u"Copy...");
    ASSERT_EQ(m_Strings.GetLanguageCount(), 1);
    EXPECT_EQ(m_Strings.GetLanguage(0)->m_Code, u"en_EN");
    EXPECT_EQ(m_Strings.GetLanguage(0)->m_Name, u""); // the construction state: not named
    m_Strings.SelectLanguage(5);
    EXPECT_EQ(m_Strings.GetCurrentIndex(), 0);
    EXPECT_TRUE(control.m_Notices.empty());
}

TEST_F(LangStrings, LanguagesAreOrderedByCodeAndFoundIgnoringCase) {
    m_Strings.LoadFromFile(WriteFile(TwoLanguagesReversed));
    ASSERT_EQ(m_Strings.GetLanguageCount(), 2);
    EXPECT_EQ(m_Strings.GetLanguage(0)->m_Code, u"en_EN");
    EXPECT_EQ(m_Strings.GetLanguage(1)->m_Code, u"ru_RU");
    EXPECT_EQ(m_Strings.GetLanguage(1)->m_Name, u"Русский");
    EXPECT_EQ(m_Strings.GetLanguage(1)->m_Description, u"Перевод");
    EXPECT_EQ(m_Strings.IndexOfLanguage(u"RU_ru"), 1);
    EXPECT_EQ(m_Strings.IndexOfLanguage(u"de_DE"), -1);
    EXPECT_EQ(m_Strings.GetLanguage(-1), nullptr);
    EXPECT_EQ(m_Strings.GetLanguage(2), nullptr);
    // A load selects nothing.
    EXPECT_EQ(m_Strings.GetCurrentIndex(), 0);
    EXPECT_EQ(m_Strings.GetText(1006), u"Copy...");
    m_Strings.SelectLanguage(1);
    EXPECT_EQ(m_Strings.GetText(1006), u"Копировать...");
}

TEST_F(LangStrings, TheDefaultLanguageIsAddedWhenTheFileLacksIt) {
    m_Strings.LoadFromFile(WriteFile("[zz_ZZ]\nName=Last\n[ru_RU]\n1006=Копировать...\n"));
    ASSERT_EQ(m_Strings.GetLanguageCount(), 3);
    const TLang* english = m_Strings.GetLanguage(0);
    EXPECT_EQ(english->m_Code, u"en_EN");
    EXPECT_EQ(english->m_Name, u"English");
    EXPECT_EQ(english->GetText(1006), u"Copy...");
    EXPECT_EQ(m_Strings.GetLanguage(1)->m_Code, u"ru_RU");
    EXPECT_EQ(m_Strings.GetLanguage(1)->m_Name, u""); // no Name key
    EXPECT_EQ(m_Strings.GetLanguage(2)->m_Code, u"zz_ZZ");

    TLangStrings noSections;
    noSections.LoadFromFile(m_Folder.Write("none.ini", "; nothing but a comment\nkey=value\n"));
    ASSERT_EQ(noSections.GetLanguageCount(), 1);
    EXPECT_EQ(noSections.GetLanguage(0)->m_Code, u"en_EN");
    EXPECT_EQ(noSections.GetLanguage(0)->m_Name, u"English");
}

// Whatever number of sections a file holds, the catalogue keeps at most 64: those with a name
// first, then the nameless ones (whose texts still serve a matching user-interface language),
// each the first by code, and always the default one. Read from the file (which sections to
// keep found before they are read) and from a parsed whole, it is the same.
TEST_F(LangStrings, AtMostSixtyFourLanguagesNamedOnesFirst) {
    const auto sections = [](const char* prefix, int count, const char* body) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += "[" + std::string(prefix) + std::to_string(100000 + i) + "]\n" + body;
        }
        return text;
    };
    const struct {
        const char* what;
        std::string file;
        std::vector<std::u16string> kept, left;
    } cases[] = {
        {"bare sections before a named one",
         sections("b", 100000, "") + "[zz_ZZ]\nName=Last\n",
         {u"zz_ZZ", u"en_EN", u"b100000", u"b100061"},
         {u"b100062"}},
        {"more named sections than room",
         sections("n", 100, "Name=N\n") + "[a_A]\n1006=x\n",
         {u"n100000", u"n100062", u"en_EN"},
         {u"n100063", u"a_A"}},
        {"a section named only where it is repeated",
         sections("n", 70, "Name=N\n") + "[de_DE]\n1006=Kopieren\n[zz]\n[DE_de]\nName=Deutsch\n",
         {u"de_DE", u"en_EN", u"n100061"},
         {u"n100062", u"zz"}},
    };
    for (const auto& c : cases) {
        TLangStrings fromFile, fromParsed;
        fromFile.LoadFromFile(WriteFile(c.file));
        fromParsed.LoadFromIniFile(LANGUAGE::TIniFile(c.file));
        for (const TLangStrings* strings : {&fromFile, &fromParsed}) {
            EXPECT_EQ(strings->GetLanguageCount(), LANGUAGE::MaxLanguages) << c.what;
            for (const std::u16string& code : c.kept) {
                EXPECT_GE(strings->IndexOfLanguage(code), 0)
                    << c.what << ": " << std::string(code.begin(), code.end());
            }
            for (const std::u16string& code : c.left) {
                EXPECT_EQ(strings->IndexOfLanguage(code), -1)
                    << c.what << ": " << std::string(code.begin(), code.end());
            }
        }
    }
    EXPECT_EQ(m_Strings.GetLanguageCount(), 1);
    m_Strings.LoadFromFile(WriteFile(cases[2].file));
    EXPECT_EQ(m_Strings.GetLanguage(m_Strings.IndexOfLanguage(u"de_DE"))->m_Name, u"Deutsch");
}

TEST_F(LangStrings, SectionForTheDefaultCodeInOtherCaseIsTheDefaultLanguage) {
    m_Strings.LoadFromFile(WriteFile("[EN_en]\nName=Mine\n1006=Duplicate\n"));
    ASSERT_EQ(m_Strings.GetLanguageCount(), 1);
    EXPECT_EQ(m_Strings.GetLanguage(0)->m_Code, u"EN_en");
    EXPECT_EQ(m_Strings.GetLanguage(0)->m_Name, u"Mine");
    EXPECT_EQ(m_Strings.GetText(1006), u"Duplicate");
}

TEST_F(LangStrings, MissingKeyFallsBackButEmptyValueIsATextOfItsOwn) {
    m_Strings.LoadFromFile(WriteFile("[en_EN]\n"
                                     "1005=\n"
                                     "1006=Take a copy\n"
                                     "1009=Expert\\nMode\n"
                                     "1010=Keep\\Nas is\n"
                                     "1011=a\\\\nb\n" +
                                     std::to_string(LANGUAGE::LastTextId + 1) +
                                     "=out of range\n"
                                     "1000=out of range\n"));
    EXPECT_EQ(m_Strings.GetText(1005), u"");
    EXPECT_EQ(m_Strings.GetText(1006), u"Take a copy");
    EXPECT_EQ(m_Strings.GetText(1007), u"Copy report to clipboard");
    EXPECT_EQ(m_Strings.GetText(1009), u"Expert\nMode");
    EXPECT_EQ(m_Strings.GetText(1010), u"Keep\\Nas is");
    EXPECT_EQ(m_Strings.GetText(1011), u"a\\\nb");
    EXPECT_EQ(m_Strings.GetText(LANGUAGE::LastTextId + 1), u"");
    EXPECT_EQ(m_Strings.GetText(1000), u"");
}

TEST_F(LangStrings, SelectionIsClampedAndNotifiesOnlyAChange) {
    m_Strings.LoadFromFile(WriteFile("[de_DE]\n[en_EN]\n[ru_RU]\n1006=Копировать...\n"));
    TRecordingControl control;
    m_Strings.AttachControl(&control);

    m_Strings.SelectLanguage(m_Strings.GetCurrentIndex());
    EXPECT_TRUE(control.m_Notices.empty());

    m_Strings.SelectLanguage(99);
    m_Strings.SelectLanguage(2); // already current after clamping
    m_Strings.SelectLanguage(-3);
    m_Strings.SelectLanguage(0);
    const std::vector<std::pair<int, TLangStrings*>> expected = {{2, &m_Strings}, {0, &m_Strings}};
    EXPECT_EQ(control.m_Notices, expected);
    // The handler already sees the new language.
    EXPECT_EQ(control.m_TextsSeen, (std::vector<std::u16string>{u"Копировать...", u"Copy..."}));
}

TEST_F(LangStrings, ControlsAreNotifiedOnceEachInAttachmentOrder) {
    m_Strings.LoadFromFile(WriteFile(TwoLanguagesReversed));
    std::vector<int> order;
    struct TOrdered : TLangControl {
        TOrdered(std::vector<int>& order, int name) : m_Order(order), m_Name(name) {}
        void HandleLangChanged(int, TLangStrings*) override { m_Order.push_back(m_Name); }
        std::vector<int>& m_Order;
        int m_Name;
    } second(order, 2), first(order, 1), third(order, 3);
    m_Strings.AttachControl(&first);
    m_Strings.AttachControl(&second);
    m_Strings.AttachControl(&first); // already there
    m_Strings.AttachControl(&third);
    m_Strings.DetachControl(&third);
    m_Strings.DetachControl(&third); // no longer there: nothing happens
    m_Strings.SelectLanguage(1);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(LangStrings, AFailingHandlerDoesNotStopTheOthers) {
    m_Strings.LoadFromFile(WriteFile(TwoLanguagesReversed));
    TRecordingControl failing;
    TRecordingControl next;
    failing.m_Throw = true;
    m_Strings.AttachControl(&failing);
    m_Strings.AttachControl(&next);
    EXPECT_NO_THROW(m_Strings.SelectLanguage(1));
    EXPECT_EQ(failing.m_Notices.size(), 1u);
    EXPECT_EQ(next.m_Notices.size(), 1u);
    EXPECT_EQ(m_Strings.GetCurrentIndex(), 1);
}

TEST_F(LangStrings, AHandlerMayDetachControlsWhileTheNoticeIsDelivered) {
    m_Strings.LoadFromFile(WriteFile(TwoLanguagesReversed));
    TRecordingControl later;
    struct TDetaching : TLangControl {
        void HandleLangChanged(int, TLangStrings* strings) override {
            strings->DetachControl(this);
            strings->DetachControl(m_Other);
        }
        TLangControl* m_Other = nullptr;
    } detaching;
    detaching.m_Other = &later;
    m_Strings.AttachControl(&detaching);
    m_Strings.AttachControl(&later);
    m_Strings.SelectLanguage(1);
    // Detached before its turn came: it must not be called, it may already be gone.
    EXPECT_TRUE(later.m_Notices.empty());
    m_Strings.AttachControl(&later);
    m_Strings.SelectLanguage(0);
    EXPECT_EQ(later.m_Notices.size(), 1u);
}

TEST_F(LangStrings, ReloadingTheCurrentLanguageNotifiesOthersDoNot) {
    const std::u16string path = WriteFile(TwoLanguagesReversed);
    m_Strings.LoadFromFile(path);
    TRecordingControl control;
    m_Strings.AttachControl(&control);
    m_Strings.GetLanguage(1)->LoadFromFile(path);
    EXPECT_TRUE(control.m_Notices.empty());
    m_Strings.GetLanguage(0)->LoadFromFile(path);
    EXPECT_EQ(control.m_Notices.size(), 1u);
    // A whole load sends no notice.
    m_Strings.LoadFromFile(path);
    EXPECT_EQ(control.m_Notices.size(), 1u);
}

TEST_F(LangStrings, LoadLeavingFewerLanguagesThanTheCurrentIndex) {
    m_Strings.LoadFromFile(
        WriteFile("[de_DE]\n1006=Kopieren...\n[en_EN]\n[ru_RU]\n1006=Копировать...\n"));
    m_Strings.SelectLanguage(2);
    m_Strings.LoadFromFile(m_Folder.Write("smaller.ini", "[de_DE]\n1006=Kopieren...\n"));
    ASSERT_EQ(m_Strings.GetLanguageCount(), 2);
    EXPECT_EQ(m_Strings.GetCurrentIndex(), 2);
    EXPECT_EQ(m_Strings.GetText(1006), u"Copy...");
    TRecordingControl control;
    m_Strings.AttachControl(&control);
    m_Strings.SelectLanguage(2); // clamped to 1, which differs from 2
    EXPECT_EQ(m_Strings.GetCurrentIndex(), 1);
    EXPECT_EQ(control.m_Notices.size(), 1u);
}

TEST_F(LangStrings, AFailedLoadKeepsEverything) {
    m_Strings.LoadFromFile(WriteFile(TwoLanguagesReversed));
    m_Strings.SelectLanguage(1);
    m_Strings.LoadFromFile(m_Folder.PathOf("absent.ini"));
    m_Strings.GetLanguage(1)->LoadFromFile(m_Folder.PathOf("absent.ini"));
    EXPECT_EQ(m_Strings.GetLanguageCount(), 2);
    EXPECT_EQ(m_Strings.GetCurrentIndex(), 1);
    EXPECT_EQ(m_Strings.GetText(1006), u"Копировать...");
}

TEST_F(LangStrings, LoadingALanguageAgainForgetsTextsButKeepsANameTheFileNoLongerGives) {
    TLang lang(u"ru_RU");
    lang.LoadFromFile(WriteFile("[ru_RU]\nName=Русский\n1006=Копировать...\n"));
    lang.LoadFromFile(m_Folder.Write("second.ini", "[ru_RU]\n1007=Отчёт\n"));
    EXPECT_EQ(lang.m_Name, u"Русский");
    EXPECT_EQ(lang.GetText(1006), u"Copy...");
    EXPECT_EQ(lang.GetText(1007), u"Отчёт");
}

TEST_F(LangStrings, AddLanguageFindsOrAppends) {
    TLang* english = m_Strings.AddLanguage(u"EN_EN");
    EXPECT_EQ(english, m_Strings.GetLanguage(0));
    TLang* german = m_Strings.AddLanguage(u"de_DE");
    ASSERT_EQ(m_Strings.GetLanguageCount(), 2);
    EXPECT_EQ(m_Strings.GetLanguage(1), german); // appended, not sorted
    EXPECT_EQ(m_Strings.IndexOfLanguage(u"DE_de"), 1);
    // Its change event is connected: reloading it while current notifies.
    TRecordingControl control;
    m_Strings.SelectLanguage(1);
    m_Strings.AttachControl(&control);
    german->LoadFromFile(WriteFile("[de_DE]\n1006=Kopieren...\n"));
    EXPECT_EQ(control.m_Notices.size(), 1u);
    EXPECT_EQ(control.m_TextsSeen.back(), u"Kopieren...");
}

TEST_F(LangStrings, FileByANonAsciiPath) {
    std::filesystem::create_directories(std::filesystem::path(m_Folder.PathOf(u"папка")));
    m_Strings.LoadFromFile(
        m_Folder.Write(std::filesystem::path(u"папка/язык.ini"), TwoLanguagesReversed));
    EXPECT_EQ(m_Strings.GetLanguageCount(), 2);
}

TEST(ProcessCatalogue, GetLangTextFollowsTheHolder) {
    ASSERT_TRUE(LANGUAGE::LangStrings);
    EXPECT_EQ(LANGUAGE::GetLangText(LANGUAGE::TextCopyButton), u"Copy...");
    EXPECT_EQ(LANGUAGE::LangStrings->GetLanguage(0)->m_Code, LANGUAGE::DefaultLangCode);
    EXPECT_EQ(LANGUAGE::DefaultLangName, u"English");
    EXPECT_EQ(LANGUAGE::WM_LANGCHANGED, 0x1531);

    LANGUAGE::LangStrings.reset();
    EXPECT_FALSE(LANGUAGE::LangStrings);
    for (int id : {1001, 1006, 1053, 0}) {
        EXPECT_EQ(LANGUAGE::GetLangText(id), u"") << id;
    }
    LANGUAGE::LangStrings.reset(new TLangStrings());
    EXPECT_EQ(LANGUAGE::GetLangText(LANGUAGE::TextMenuLanguage), u"Language");
}

} // namespace
