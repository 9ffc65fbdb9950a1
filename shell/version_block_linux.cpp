#include "shell/version_table.h"

namespace qmr {

std::unique_ptr<TVersionBlock> LoadVersionBlock(const std::u16string& /*executablePath*/) {
    return std::make_unique<TVersionTable>(CompiledVersionTable());
}

} // namespace qmr
