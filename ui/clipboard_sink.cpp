#include "ui/clipboard_sink.h"

#include <QClipboard>
#include <QGuiApplication>

namespace qmr {

bool TQtClipboardSink::SetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return false;
    }
    clipboard->setText(text);
    return true;
}

QString TQtClipboardSink::ErrorText() const {
    return QStringLiteral("Cannot open the clipboard.");
}

} // namespace qmr
