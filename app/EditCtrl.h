// Edit controls of dialogs bound to a number: parsing, clamping, formatting and change notices.
#pragma once

#include "app/winutil/Platform.h"

#include <optional>
#include <string>

namespace Application {

// The common part of the numeric edit controls: the control, its observer and the notifications.
class EditCtrlHelper {
public:
    // Told whenever the control's value changes (typing, SetValue).
    class IObserver {
    public:
        virtual ~IObserver() = default;
        // The value of the control changed.
        virtual void ValueChanged(EditCtrlHelper& control) = 0;
    };

    // Binds to control id of the dialog; the observer may be null.
    EditCtrlHelper(HWND dialog, int id, IObserver* observer);
    virtual ~EditCtrlHelper() = default;
    EditCtrlHelper(const EditCtrlHelper&) = delete;
    EditCtrlHelper& operator=(const EditCtrlHelper&) = delete;

    // Handles the control's notification code of a WM_COMMAND (EN_CHANGE, EN_KILLFOCUS); answers
    // whether it was one of ours.
    bool OnCommand(UINT code);
    // Enables or disables the control.
    void Enable(bool enabled);
    // The control id.
    int GetId() const { return id_; }
    // The edit control.
    HWND GetControl() const;

protected:
    // The control's text.
    std::wstring GetText() const;
    // Writes the text (a change notice follows through EN_CHANGE or directly).
    void SetText(const std::wstring& text);
    // The value of the current text, clamped (the default when it is not a number).
    virtual double CurrentValue() const = 0;
    // Rewrites the text in the control's own format.
    virtual void Reformat() = 0;
    // Tells the observer when the value differs from the last one told.
    void NotifyIfChanged();

private:
    HWND dialog_;
    int id_;
    IObserver* observer_;
    std::optional<double> lastValue_;
    bool writing_ = false;
};

namespace EditText {
// Parses an integer with optional sign and surrounding blanks; nothing for other text or overflow.
std::optional<long long> ParseInt(const std::wstring& text);
// Parses a decimal number ('.' or ',' as separator) with optional surrounding blanks; nothing otherwise.
std::optional<double> ParseNumber(const std::wstring& text);
// Parses a number followed by an optional suffix (compared without case), e.g. "%" or "mm".
std::optional<double> ParseNumberWithSuffix(const std::wstring& text, const std::wstring& suffix);
// Parses a length: a number with an optional unit "mm", "cm" or "in"; answers millimetres.
std::optional<double> ParseLength(const std::wstring& text);
// Formats a number with at most maxDecimals decimals, trailing zeros dropped, '.' as separator.
std::wstring FormatNumber(double value, int maxDecimals);
// Clamps a value into [lo, hi] (lo wins when hi < lo).
double Clamp(double value, double lo, double hi);
} // namespace EditText

// An edit control holding an integer in [minimum, maximum].
class IntEditCtrl : public EditCtrlHelper {
public:
    // The default stands in for text that is not a number.
    IntEditCtrl(HWND dialog, int id, int minimum, int maximum, int defaultValue, IObserver* observer);
    // The parsed, clamped value (the default when the text is not a number).
    int GetValue() const;
    // Writes the clamped value.
    void SetValue(int value);
    // The value of a text: parsed and clamped, or the default.
    int ValueOf(const std::wstring& text) const;

protected:
    double CurrentValue() const override { return GetValue(); }
    void Reformat() override { SetValue(GetValue()); }

private:
    int min_, max_, default_;
};

// An edit control holding a percentage, shown as "<n> %".
class PercentEditCtrl : public EditCtrlHelper {
public:
    // initial is shown at once and stands in for text that is not a number; step is the
    // increment of Step and the rounding unit of the shown value.
    PercentEditCtrl(HWND dialog, int id, double minimum, double maximum, double initial, double step,
                    IObserver* observer);
    // The parsed, clamped value.
    double GetValue() const;
    // Writes the clamped value.
    void SetValue(double value);
    // Moves the value by count steps (an up-down control or the arrow keys).
    void Step(int count);
    // The value of a text: parsed and clamped, or the initial value.
    double ValueOf(const std::wstring& text) const;
    // The shown form of a value.
    std::wstring Format(double value) const;

protected:
    double CurrentValue() const override { return GetValue(); }
    void Reformat() override { SetValue(GetValue()); }

private:
    double min_, max_, default_, step_;
};

// An edit control holding a length in millimetres, shown as "<n> mm".
class LengthEditCtrl : public EditCtrlHelper {
public:
    // The default stands in for text that is not a length.
    LengthEditCtrl(HWND dialog, int id, double minimumMm, double maximumMm, double defaultMm,
                   IObserver* observer);
    // The parsed, clamped value in millimetres.
    double GetValue() const;
    // Writes the clamped value.
    void SetValue(double mm);
    // The value of a text: parsed and clamped, or the default.
    double ValueOf(const std::wstring& text) const;
    // The shown form of a value.
    static std::wstring Format(double mm);

protected:
    double CurrentValue() const override { return GetValue(); }
    void Reformat() override { SetValue(GetValue()); }

private:
    double min_, max_, default_;
};

} // namespace Application
