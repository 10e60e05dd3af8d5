#include "app/EditCtrl.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <limits>

namespace Application {

namespace EditText {

namespace {

std::wstring Trim(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::iswspace(s[b])) ++b;
    while (e > b && std::iswspace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool EndsWithNoCase(const std::wstring& s, const std::wstring& suffix) {
    if (suffix.size() > s.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i)
        if (std::towlower(s[s.size() - suffix.size() + i]) != std::towlower(suffix[i])) return false;
    return true;
}

} // namespace

std::optional<long long> ParseInt(const std::wstring& text) {
    std::wstring t = Trim(text);
    if (t.empty()) return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (t[i] == L'+' || t[i] == L'-') negative = t[i++] == L'-';
    if (i >= t.size()) return std::nullopt;
    long long value = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < L'0' || t[i] > L'9') return std::nullopt;
        int digit = t[i] - L'0';
        if (value > (LLONG_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<double> ParseNumber(const std::wstring& text) {
    std::wstring t = Trim(text);
    if (t.empty()) return std::nullopt;
    // Only sign, digits and one separator: no exponents, hex or "inf".
    std::string ascii;
    bool separator = false, digits = false;
    for (size_t i = 0; i < t.size(); ++i) {
        wchar_t c = t[i];
        if ((c == L'+' || c == L'-') && i == 0) ascii += static_cast<char>(c);
        else if (c >= L'0' && c <= L'9') { ascii += static_cast<char>(c); digits = true; }
        else if ((c == L'.' || c == L',') && !separator) { ascii += '.'; separator = true; }
        else return std::nullopt;
    }
    if (!digits) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(ascii.c_str(), &end);
    if (end != ascii.c_str() + ascii.size() || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> ParseNumberWithSuffix(const std::wstring& text, const std::wstring& suffix) {
    std::wstring t = Trim(text);
    if (!suffix.empty() && EndsWithNoCase(t, suffix)) t.resize(t.size() - suffix.size());
    return ParseNumber(t);
}

std::optional<double> ParseLength(const std::wstring& text) {
    std::wstring t = Trim(text);
    struct Unit { const wchar_t* name; double mm; };
    static const Unit units[] = {{L"mm", 1.0}, {L"cm", 10.0}, {L"in", 25.4}, {L"\"", 25.4}};
    for (const Unit& u : units) {
        if (EndsWithNoCase(t, u.name)) {
            auto v = ParseNumber(t.substr(0, t.size() - std::wcslen(u.name)));
            if (!v) return std::nullopt;
            return *v * u.mm;
        }
    }
    return ParseNumber(t);
}

std::wstring FormatNumber(double value, int maxDecimals) {
    if (!std::isfinite(value)) return L"0";
    double scale = std::pow(10.0, maxDecimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0) rounded = 0;  // no "-0"
    wchar_t buffer[64];
    swprintf(buffer, 64, L"%.*f", maxDecimals, rounded);
    std::wstring s = buffer;
    if (s.find(L'.') != std::wstring::npos) {
        while (!s.empty() && s.back() == L'0') s.pop_back();
        if (!s.empty() && s.back() == L'.') s.pop_back();
    }
    return s;
}

double Clamp(double value, double lo, double hi) {
    if (value > hi) value = hi;
    if (value < lo) value = lo;
    return value;
}

} // namespace EditText

// ---- EditCtrlHelper ----

EditCtrlHelper::EditCtrlHelper(HWND dialog, int id, IObserver* observer)
    : dialog_(dialog), id_(id), observer_(observer) {}

HWND EditCtrlHelper::GetControl() const {
    return dialog_ ? GetDlgItem(dialog_, id_) : nullptr;
}

std::wstring EditCtrlHelper::GetText() const {
    HWND control = GetControl();
    if (!control) return {};
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void EditCtrlHelper::SetText(const std::wstring& text) {
    HWND control = GetControl();
    if (!control) return;
    if (GetText() == text) return;
    writing_ = true;
    SetWindowTextW(control, text.c_str());
    writing_ = false;
    NotifyIfChanged();
}

void EditCtrlHelper::Enable(bool enabled) {
    if (HWND control = GetControl()) EnableWindow(control, enabled ? TRUE : FALSE);
}

void EditCtrlHelper::NotifyIfChanged() {
    double value = CurrentValue();
    if (lastValue_ && *lastValue_ == value) return;
    bool first = !lastValue_;
    lastValue_ = value;
    if (!first && observer_) observer_->ValueChanged(*this);
}

bool EditCtrlHelper::OnCommand(UINT code) {
    switch (code) {
    case EN_CHANGE:
        if (!writing_) NotifyIfChanged();
        return true;
    case EN_KILLFOCUS:
        Reformat();
        return true;
    default:
        return false;
    }
}

// ---- IntEditCtrl ----

IntEditCtrl::IntEditCtrl(HWND dialog, int id, int minimum, int maximum, int defaultValue, IObserver* observer)
    : EditCtrlHelper(dialog, id, observer), min_(minimum), max_(std::max(minimum, maximum)),
      default_(static_cast<int>(EditText::Clamp(defaultValue, minimum, std::max(minimum, maximum)))) {
    NotifyIfChanged();  // records the starting value without a notice
}

int IntEditCtrl::ValueOf(const std::wstring& text) const {
    auto v = EditText::ParseInt(text);
    if (!v) return default_;
    if (*v < min_) return min_;
    if (*v > max_) return max_;
    return static_cast<int>(*v);
}

int IntEditCtrl::GetValue() const { return ValueOf(GetText()); }

void IntEditCtrl::SetValue(int value) {
    if (value < min_) value = min_;
    if (value > max_) value = max_;
    SetText(std::to_wstring(value));
}

// ---- PercentEditCtrl ----

PercentEditCtrl::PercentEditCtrl(HWND dialog, int id, double minimum, double maximum, double initial,
                                 double step, IObserver* observer)
    : EditCtrlHelper(dialog, id, observer), min_(minimum), max_(std::max(minimum, maximum)),
      default_(EditText::Clamp(initial, minimum, std::max(minimum, maximum))),
      step_(step > 0 ? step : 1.0) {
    SetValue(default_);
    NotifyIfChanged();
}

double PercentEditCtrl::ValueOf(const std::wstring& text) const {
    auto v = EditText::ParseNumberWithSuffix(text, L"%");
    return EditText::Clamp(v ? *v : default_, min_, max_);
}

double PercentEditCtrl::GetValue() const { return ValueOf(GetText()); }

std::wstring PercentEditCtrl::Format(double value) const {
    int decimals = 0;
    for (double s = step_; decimals < 4 && std::fabs(s - std::round(s)) > 1e-9; s *= 10) ++decimals;
    return EditText::FormatNumber(EditText::Clamp(value, min_, max_), decimals) + L" %";
}

void PercentEditCtrl::SetValue(double value) { SetText(Format(value)); }

void PercentEditCtrl::Step(int count) { SetValue(GetValue() + count * step_); }

// ---- LengthEditCtrl ----

LengthEditCtrl::LengthEditCtrl(HWND dialog, int id, double minimumMm, double maximumMm, double defaultMm,
                               IObserver* observer)
    : EditCtrlHelper(dialog, id, observer), min_(minimumMm), max_(std::max(minimumMm, maximumMm)),
      default_(EditText::Clamp(defaultMm, minimumMm, std::max(minimumMm, maximumMm))) {
    NotifyIfChanged();
}

double LengthEditCtrl::ValueOf(const std::wstring& text) const {
    auto v = EditText::ParseLength(text);
    return EditText::Clamp(v ? *v : default_, min_, max_);
}

double LengthEditCtrl::GetValue() const { return ValueOf(GetText()); }

std::wstring LengthEditCtrl::Format(double mm) { return EditText::FormatNumber(mm, 2) + L" mm"; }

void LengthEditCtrl::SetValue(double mm) { SetText(Format(EditText::Clamp(mm, min_, max_))); }

} // namespace Application
