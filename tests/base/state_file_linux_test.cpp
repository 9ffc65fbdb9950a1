#include "base/state_file.h"

#include "base/utf16_text.h"
#include "tests/lang/test_files.h"
#include "tests/support/odd_files_linux.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using qmr::TReadOutcome;
using qmr::TStateFileKind;

// Whatever lies at a state file's path, the read returns at once: only a regular file within
// its kind's size is taken, and anything else is refused with the path and the reason.
TEST(StateFile, TakesOnlyARegularFileOfSaneSizeAndSaysWhyNot) {
    qmr::test::TTempFolder folder;
    constexpr std::size_t kCap = qmr::StateFileMaxBytes(TStateFileKind::ResolverConfiguration);
    const std::u16string huge = folder.Write("huge", std::string(kCap + 1, '#'));
    const std::u16string full = folder.Write("full", std::string(kCap, '#'));
    const std::u16string plain = folder.Write("plain", "nameserver 10.0.0.1\n");
    struct TCase {
        std::u16string path;
        TReadOutcome outcome;
        std::string why;
        std::size_t bytes;
    };
    std::vector<TCase> cases = {
        {huge, TReadOutcome::TooLarge, "is larger than a resolver configuration can be", 0},
        {full, TReadOutcome::Read, "", kCap},
        {plain, TReadOutcome::Read, "", 20},
        {folder.PathOf("absent"), TReadOutcome::Missing, "", 0}, // most machines lack most files
    };
    for (const std::u16string& odd : qmr::test::MakeOddFiles(folder)) {
        cases.push_back({odd, TReadOutcome::NotRegularFile, "is not a regular file", 0});
    }
    for (const auto& c : cases) {
        const qmr::TStateFile read =
            qmr::ReadStateFile(c.path, TStateFileKind::ResolverConfiguration);
        SCOPED_TRACE(qmr::Utf16ToUtf8(c.path));
        EXPECT_EQ(read.Outcome, c.outcome);
        EXPECT_EQ(read.Why(), c.why);
        EXPECT_EQ(read.Refusal(), c.why.empty() ? "" : qmr::Utf16ToUtf8(c.path) + " " + c.why);
        EXPECT_EQ(read.Bytes.size(), c.bytes);
    }
}

// Each kind has its own cap: a lease file may hold far more than a resolver's few lines.
TEST(StateFile, TheCapIsTheKinds) {
    qmr::test::TTempFolder folder;
    const std::u16string leases = folder.Write(
        "leases", std::string(qmr::StateFileMaxBytes(TStateFileKind::ResolverLinkState) + 1, ' '));
    EXPECT_TRUE(qmr::ReadStateFile(leases, TStateFileKind::DhcpLeases).WasRead());
    EXPECT_EQ(qmr::ReadStateFile(leases, TStateFileKind::ResolverLinkState).Outcome,
              TReadOutcome::TooLarge);
}

} // namespace
