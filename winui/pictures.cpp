#include "winui/pictures.h"

#include "winui/resource_ids.h"

#include <map>
#include <utility>

namespace qmr {

namespace {
HICON Load(int id, int size) {
    static std::map<std::pair<int, int>, HICON> loaded;
    auto found = loaded.find({id, size});
    if (found != loaded.end()) {
        return found->second;
    }
    auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                              IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    loaded.emplace(std::make_pair(id, size), icon);
    return icon;
}
} // namespace

HICON StatusPicture(int index, int size) {
    if (index < 0 || index > 3) {
        return nullptr;
    }
    return Load(QMR_ICON_STATUS_0 + index, size);
}

HICON HeadingPicture(int size) {
    return Load(QMR_ICON_HEADING, size);
}

HICON ApplicationPicture(int size) {
    return Load(QMR_ICON_APPLICATION, size);
}

HICON ReportPicture(const std::u16string& name, int size) {
    static const std::map<std::u16string, int> ids = {
        {u"net_home", QMR_ICON_NET_HOME},
        {u"error", QMR_ICON_ERROR},
        {u"online", QMR_ICON_ONLINE},
        {u"warning", QMR_ICON_WARNING},
    };
    auto found = ids.find(name);
    return found == ids.end() ? nullptr : Load(found->second, size);
}

} // namespace qmr
