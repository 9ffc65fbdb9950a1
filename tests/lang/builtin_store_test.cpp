// Its own program, so that no earlier request has filled the store.
#include "lang/builtin_texts.h"
#include "lang/lang_strings.h"
#include "lang/text_ids.h"

#include <gtest/gtest.h>

namespace {

TEST(BuiltInStore, FirstRequestFillsTheStoreWhateverItAsksFor) {
    // Creating the process catalogue at start must not fill the store.
    ASSERT_TRUE(LANGUAGE::LangStrings);
    ASSERT_FALSE(LANGUAGE::IsBuiltInStoreFilled());
    EXPECT_EQ(LANGUAGE::GetBuiltInText(LANGUAGE::LastTextId + 1), u"");
    EXPECT_TRUE(LANGUAGE::IsBuiltInStoreFilled());
    EXPECT_EQ(LANGUAGE::GetBuiltInText(1005), u"Quillmere");
}

} // namespace
