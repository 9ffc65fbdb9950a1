#pragma once
// What the window presenter asks of a window: the toolkit's half of the window. The presenter
// decides; a view only draws what it is told and reports what the user did. Positions in the
// adapter list count from the first adapter; a heading above them is the view's own affair.

#include "report/report_lines.h"

#include <cstdint>
#include <string>

namespace qmr {

class TTrafficTrack;

// One adapter as the list shows it.
struct TAdapterItem {
    std::uint32_t IfIndex = 0;
    std::u16string Caption;
    // The status picture, and what it says for assistive technology.
    int PictureIndex = 0;
    std::u16string StatusText;
};

class TWindowView {
public:
    virtual ~TWindowView() = default;

    // The list changes between these two calls, so that a view can paint once.
    virtual void BeginListUpdate() = 0;
    virtual void EndListUpdate() = 0;
    virtual void InsertItem(int position, const TAdapterItem& item) = 0;
    virtual void RemoveItem(int position) = 0;
    virtual void SetItemCaption(int position, const std::u16string& caption) = 0;
    // Selects the item at `position` alone; a view may report the selection back through
    // TWindowPresenter::ItemSelected, which then changes nothing.
    virtual void SelectItem(int position) = 0;

    // The display report's markup lines; `track` (null for none) is the graph's history of the
    // adapter's rates, `hasDevice` whether the report is of an adapter at all.
    virtual void ShowReport(const TLineList& markup, const TTrafficTrack* track,
                            bool hasDevice) = 0;
    virtual void EnableCopy(bool enabled) = 0;
    // Puts the text on the clipboard; false, with what went wrong in `error`, when refused.
    virtual bool PutOnClipboard(const std::u16string& text, std::u16string& error) = 0;

    virtual void SetTrayPicture(int index) = 0;
    virtual void SetTrayHint(const std::u16string& hint) = 0;
    // A desktop notice from the tray icon.
    virtual void ShowNotice(const std::u16string& title, const std::u16string& text) = 0;
    // An error, as the toolkit shows one.
    virtual void ShowError(const std::u16string& text) = 0;

    // Starts or stops the view's one-second poll timer.
    virtual void SetPollTimer(bool running) = 0;
    // Whether the user is looking at the window: it is active and not minimised.
    virtual bool IsInFront() const = 0;
    // Shows the switches as they are (at start, and when one changed other than by its control).
    virtual void ShowSwitches(bool expert, bool showVirtual, bool notify) = 0;
};

} // namespace qmr
