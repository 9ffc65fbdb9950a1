#include "base/state_file.h"

#include "base/utf16_text.h"

#include <map>
#include <mutex>

namespace qmr {

namespace {

const char* KindNoun(TStateFileKind kind) {
    switch (kind) {
    case TStateFileKind::ResolverConfiguration:
        return "a resolver configuration";
    case TStateFileKind::ResolverLinkState:
        return "a resolver link state";
    case TStateFileKind::NetworkState:
        return "a network state file";
    case TStateFileKind::DhcpLeases:
        return "a DHCP lease file";
    case TStateFileKind::LanguageFile:
        return "a language file";
    case TStateFileKind::SettingsFile:
        return "a settings file";
    }
    return "such a file";
}

// The refusals of every thread: a poll reads from one thread while the window may ask why from
// another.
struct TRefusals {
    std::mutex Lock;
    std::map<std::u16string, std::string> ByPath;
};

TRefusals& Refusals() {
    static TRefusals refusals;
    return refusals;
}

} // namespace

TStateFile ReadStateFile(const std::u16string& path, TStateFileKind kind) {
    TStateFile file;
    file.Path = path;
    file.Kind = kind;
    file.Outcome = ReadRegularFile(path, file.Bytes, StateFileMaxBytes(kind));
    if (!file.Refused()) {
        ForgetStateFileRefusal(path);
        return file;
    }
    TRefusals& refusals = Refusals();
    const std::lock_guard<std::mutex> hold(refusals.Lock);
    refusals.ByPath.insert_or_assign(path, file.Refusal());
    return file;
}

void ForgetStateFileRefusal(const std::u16string& path) {
    TRefusals& refusals = Refusals();
    const std::lock_guard<std::mutex> hold(refusals.Lock);
    refusals.ByPath.erase(path);
}

std::string StateFileRefusals() {
    TRefusals& refusals = Refusals();
    const std::lock_guard<std::mutex> hold(refusals.Lock);
    std::string lines;
    for (const auto& [path, refusal] : refusals.ByPath) {
        lines += refusal;
        lines += '\n';
    }
    return lines;
}

std::string TStateFile::Why() const {
    if (!Refused()) {
        return {};
    }
    return Outcome == TReadOutcome::TooLarge
               ? std::string("is larger than ") + KindNoun(Kind) + " can be"
               : DescribeReadOutcome(Outcome);
}

std::string TStateFile::Refusal() const {
    return Refused() ? Utf16ToUtf8(Path) + " " + Why() : std::string();
}

} // namespace qmr
