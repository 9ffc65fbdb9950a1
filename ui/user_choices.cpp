#include "ui/user_choices.h"

#include <QRegularExpression>
#include <QStandardPaths>

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
    : TUserChoices((QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/Quillmere/Quillmere.conf"))
                       .toStdU16String()) {}

TUserChoices::TUserChoices(const std::u16string& path) : m_Settings(path) {
    m_Settings.Load();
}

TUserChoices::~TUserChoices() = default;

bool TUserChoices::Get(const TSwitchChoice& choice) const {
    const QString text = QString::fromStdString(m_Settings.Get(choice.Key).value_or("")).trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return choice.Default;
}

void TUserChoices::Set(const TSwitchChoice& choice, bool on) {
    // At once: the program may be ended by a signal, with no chance to write later. A file
    // that refuses the write keeps the choice for the run, and there is nothing else to do.
    m_Settings.Set(choice.Key, on ? "true" : "false");
}

QString TUserChoices::Language() const {
    // A string that starts with '@' reads "@@...", never a code.
    const QString code = QString::fromStdString(m_Settings.Get(kLanguageKey).value_or(""));
    return IsLanguageCode(code) ? code : QString();
}

void TUserChoices::SetLanguage(const QString& code) {
    const std::string text = code.toStdString();
    m_Settings.Set(kLanguageKey, !text.empty() && text.front() == '@' ? "@" + text : text);
}

QRect TUserChoices::Geometry() const {
    // "@Rect(x y w h)", as QSettings writes a rectangle.
    static const QRegularExpression rect(
        QStringLiteral("^@Rect\\((-?\\d{1,9}) (-?\\d{1,9}) (-?\\d{1,9}) (-?\\d{1,9})\\)$"));
    const QRegularExpressionMatch match =
        rect.match(QString::fromStdString(m_Settings.Get(kGeometryKey).value_or("")));
    if (!match.hasMatch()) {
        return QRect();
    }
    const QRect r(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                  match.captured(4).toInt());
    const auto inRange = [](int v) { return v > -kGeometryLimit && v < kGeometryLimit; };
    if (r.width() <= 0 || r.height() <= 0 || !inRange(r.x()) || !inRange(r.y()) ||
        !inRange(r.width()) || !inRange(r.height())) {
        return QRect();
    }
    return r;
}

void TUserChoices::SetGeometry(const QRect& geometry) {
    m_Settings.Set(kGeometryKey, QStringLiteral("@Rect(%1 %2 %3 %4)")
                                     .arg(geometry.x())
                                     .arg(geometry.y())
                                     .arg(geometry.width())
                                     .arg(geometry.height())
                                     .toStdString());
}

} // namespace qmr
