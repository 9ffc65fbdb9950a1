#pragma once
// A start-up user interface that writes down what start-up asks of it.

#include "shell/startup.h"

#include <functional>
#include <string>
#include <vector>

namespace qmr::test {

class TRecordingStartupUi : public TStartupUi {
public:
    void SetApplicationTitle(const std::u16string& title) override {
        m_Calls.push_back(u"title:" + title);
    }
    void ShowMessageBox(const std::u16string& text, const std::u16string& caption) override {
        m_Calls.push_back(u"box:" + caption);
        m_BoxText = text;
        if (m_OnMessageBox) {
            m_OnMessageBox();
        }
    }
    void RunMainWindow() override {
        m_Calls.push_back(u"window");
        if (m_OnMainWindow) {
            m_OnMainWindow();
        }
    }
    void ShowException(const std::u16string& message) override {
        m_Calls.push_back(u"exception:" + message);
        if (m_OnException) {
            m_OnException();
        }
    }

    std::vector<std::u16string> m_Calls;
    std::u16string m_BoxText;
    std::function<void()> m_OnMessageBox;
    std::function<void()> m_OnMainWindow;
    std::function<void()> m_OnException;
};

} // namespace qmr::test
