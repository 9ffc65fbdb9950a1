#include "ui/link_notice_setting.h"

#include <QSettings>

namespace qmr {

namespace {
constexpr const char* kNotifyKey = "notifyOnLinkChanges";
} // namespace

bool ReadNotifyOnLinkChanges() {
    return QSettings(QStringLiteral("Quillmere"), QStringLiteral("Quillmere"))
        .value(QLatin1String(kNotifyKey), true)
        .toBool();
}

void WriteNotifyOnLinkChanges(bool notify) {
    QSettings(QStringLiteral("Quillmere"), QStringLiteral("Quillmere"))
        .setValue(QLatin1String(kNotifyKey), notify);
}

} // namespace qmr
