#include "ui/settings_choice_store.h"

#include <QMetaType>
#include <QRect>
#include <QRegularExpression>
#include <QStringList>

namespace qmr {

TSettingsChoiceStore::TSettingsChoiceStore()
    : TSettingsChoiceStore(std::make_unique<QSettings>(QSettings::NativeFormat,
                                                       QSettings::UserScope,
                                                       QStringLiteral("Quillmere"),
                                                       QStringLiteral("Quillmere"))) {}

TSettingsChoiceStore::TSettingsChoiceStore(std::unique_ptr<QSettings> settings)
    : m_Settings(std::move(settings)) {
    if (m_Settings->status() != QSettings::NoError) {
        return;
    }
    const QStringList keys = m_Settings->allKeys();
    for (const QString& key : keys) {
        m_Values[key] = m_Settings->value(key);
    }
}

TSettingsChoiceStore::~TSettingsChoiceStore() = default;

std::optional<std::u16string> TSettingsChoiceStore::Read(const std::string& key) const {
    const auto found = m_Values.find(QString::fromStdString(key));
    if (found == m_Values.end()) {
        return std::nullopt;
    }
    const QVariant& value = found->second;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? u"true" : u"false";
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return QStringLiteral("@Rect(%1 %2 %3 %4)")
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height())
            .toStdU16String();
    }
    case QMetaType::QString:
        return value.toString().toStdU16String();
    default:
        // A list, a byte array, ...: nothing a choice is made of.
        return std::nullopt;
    }
}

bool TSettingsChoiceStore::Write(const std::string& key, const std::u16string& value) {
    const QString text = QString::fromStdU16String(value);
    QVariant typed = text;
    static const QRegularExpression rect(
        QStringLiteral("^@Rect\\((-?\\d+) (-?\\d+) (-?\\d+) (-?\\d+)\\)$"));
    if (text == QLatin1String("true") || text == QLatin1String("false")) {
        typed = text == QLatin1String("true");
    } else if (const auto m = rect.match(text); m.hasMatch()) {
        typed = QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                      m.captured(4).toInt());
    }
    m_Values[QString::fromStdString(key)] = typed;
    // At once: the program may be ended by a signal, with no chance to write later.
    m_Settings->setValue(QString::fromStdString(key), typed);
    m_Settings->sync();
    return m_Settings->status() == QSettings::NoError;
}

} // namespace qmr
