#include "ui/user_choices.h"

#include <QMetaType>
#include <QStringList>

namespace qmr {

namespace {
constexpr char kLanguageKey[] = "Language";
constexpr char kGeometryKey[] = "Geometry";
// Far beyond any desktop, near enough to zero that sums of coordinates cannot overflow.
constexpr int kGeometryLimit = 1 << 20;
constexpr qsizetype kLanguageCodeMaxLength = 32;

bool IsLanguageCode(const QString& code) {
    if (code.isEmpty() || code.size() > kLanguageCodeMaxLength) {
        return false;
    }
    for (const QChar c : code) {
        const bool ascii = c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'_' || c == u'-');
        if (!ascii) {
            return false;
        }
    }
    return true;
}
} // namespace

TUserChoices::TUserChoices()
    : TUserChoices(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                               QStringLiteral("Quillmere"),
                                               QStringLiteral("Quillmere"))) {}

TUserChoices::TUserChoices(std::unique_ptr<QSettings> settings) : m_Settings(std::move(settings)) {
    // A store that could not be read whole is not trusted in part either.
    if (m_Settings->status() != QSettings::NoError) {
        return;
    }
    const QStringList keys = m_Settings->allKeys();
    for (const QString& key : keys) {
        m_Values[key] = m_Settings->value(key);
    }
}

TUserChoices::~TUserChoices() = default;

QVariant TUserChoices::Stored(const char* key) const {
    const auto found = m_Values.find(QString::fromLatin1(key));
    return found != m_Values.end() ? found->second : QVariant();
}

void TUserChoices::Save(const char* key, const QVariant& value) {
    m_Values[QString::fromLatin1(key)] = value;
    // At once: the program may be ended by a signal, with no chance to write later. A store
    // that refuses the write leaves its status set, and nothing else to do.
    m_Settings->setValue(QString::fromLatin1(key), value);
    m_Settings->sync();
}

bool TUserChoices::Get(const TSwitchChoice& choice) const {
    const QVariant value = Stored(choice.Key);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    // Text files hand every plain value back as text.
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    return choice.Default;
}

void TUserChoices::Set(const TSwitchChoice& choice, bool on) {
    Save(choice.Key, on);
}

QString TUserChoices::Language() const {
    const QVariant value = Stored(kLanguageKey);
    if (value.typeId() != QMetaType::QString || !IsLanguageCode(value.toString())) {
        return QString();
    }
    return value.toString();
}

void TUserChoices::SetLanguage(const QString& code) {
    Save(kLanguageKey, code);
}

QRect TUserChoices::Geometry() const {
    const QVariant value = Stored(kGeometryKey);
    if (value.typeId() != QMetaType::QRect) {
        return QRect();
    }
    const QRect r = value.toRect();
    const auto inRange = [](int v) { return v > -kGeometryLimit && v < kGeometryLimit; };
    if (r.width() <= 0 || r.height() <= 0 || !inRange(r.x()) || !inRange(r.y()) ||
        !inRange(r.width()) || !inRange(r.height())) {
        return QRect();
    }
    return r;
}

void TUserChoices::SetGeometry(const QRect& geometry) {
    Save(kGeometryKey, geometry);
}

} // namespace qmr
