#pragma once
// The program's pictures: icon resources made from the SVG sources at build time, each with
// several sizes so that it stays sharp at every scale. Loaded once per size and kept.

#include <windows.h>

#include <string>

namespace qmr {

// The status picture of this index (0 to 3) at `size` pixels; null for another index.
HICON StatusPicture(int index, int size);
HICON HeadingPicture(int size);
HICON ApplicationPicture(int size);
// The picture a report line names ("online", "error", ...); null for an unknown name.
HICON ReportPicture(const std::u16string& name, int size);

} // namespace qmr
