// Collects the error reports of the guards instead of showing the error box, while it lives.
#pragma once

#include "app/winutil/ExceptionBox.h"

#include <string>
#include <vector>

namespace AppTest {

class ReportCollector {
public:
    ReportCollector() {
        previous_ = WinUtil::ExceptionBox::SetSink(
            [this](const std::wstring&, const std::wstring& text) { texts.push_back(text); });
    }
    ReportCollector(const ReportCollector&) = delete;
    ReportCollector& operator=(const ReportCollector&) = delete;
    ~ReportCollector() { WinUtil::ExceptionBox::SetSink(previous_); }

    // Whether exactly one report came and it names the guard.
    bool OneNaming(const wchar_t* guard) const {
        return texts.size() == 1 && texts[0].find(guard) != std::wstring::npos;
    }

    std::vector<std::wstring> texts;

private:
    WinUtil::ExceptionBox::Sink previous_;
};

} // namespace AppTest
