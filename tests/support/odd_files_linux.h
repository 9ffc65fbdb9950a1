#pragma once
// What may lie where a program expects a file of its own to read or write, made in a test's
// folder: a FIFO that nobody writes (an open that waits for a writer hangs), a link to
// /dev/zero (a device that never ends) and a folder. Each reader refuses all three alike, so
// its table takes them together.

#include "base/utf16_text.h"
#include "tests/lang/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qmr::test {

// The FIFO and the link are "fifo" and "zero" with `extension` ("fifo.ini"); the folder is
// `folder` itself.
inline std::vector<std::u16string> MakeOddFiles(const TTempFolder& folder,
                                                const std::string& extension = "") {
    const std::u16string fifo = folder.PathOf("fifo" + extension);
    const std::u16string zero = folder.PathOf("zero" + extension);
    EXPECT_EQ(::mkfifo(Utf16ToUtf8(fifo).c_str(), 0600), 0);
    EXPECT_EQ(::symlink("/dev/zero", Utf16ToUtf8(zero).c_str()), 0);
    return {fifo, zero, folder.PathOf("")};
}

} // namespace qmr::test
