#pragma once
// Where the Copy button puts the report. The window reaches the clipboard only through this, so
// that a refusal (another program holding the clipboard open on Windows) can be shown and tested.

#include <QString>

namespace qmr {

class TClipboardSink {
public:
    virtual ~TClipboardSink() = default;
    // Stores `text` as the clipboard's text. False when the clipboard refused it; the clipboard
    // is then as it was.
    virtual bool SetText(const QString& text) = 0;
    // Why the last SetText failed, for the user.
    virtual QString ErrorText() const = 0;
};

// The system clipboard through Qt. QClipboard reports no failure (on X11 it only takes the
// selection ownership), so this one always succeeds.
class TQtClipboardSink : public TClipboardSink {
public:
    bool SetText(const QString& text) override;
    QString ErrorText() const override;
};

} // namespace qmr
