#include "base/number_text.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace faxlens {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text without its blanks: they may stand anywhere in a number.
std::string WithoutBlanks(std::string_view text) {
    std::string compact;
    for (char c : text)
        if (!IsBlank(c))
            compact += c;
    return compact;
}

// Appends the digits from `at` on; returns how many there were.
std::size_t TakeDigits(const std::string& text, std::size_t& at, std::string& number) {
    const std::size_t first = at;
    while (at < text.size() && IsDigit(text[at]))
        number += text[at++];
    return at - first;
}

bool IsExponentMark(char c, bool dMarksExponent) {
    return c == 'E' || c == 'e' || (dMarksExponent && (c == 'D' || c == 'd'));
}

// The leading number in the form from_chars reads; empty when there is none. An exponent counts
// only when at least one digit follows its mark and sign.
std::string NumberText(std::string_view text, bool dMarksExponent) {
    const std::string compact = WithoutBlanks(text);
    std::string number;
    std::size_t at = 0;
    if (at < compact.size() && (compact[at] == '+' || compact[at] == '-')) {
        if (compact[at] == '-')
            number += '-';
        ++at;
    }
    std::size_t digits = TakeDigits(compact, at, number);
    if (at < compact.size() && compact[at] == '.') {
        number += compact[at++];
        digits += TakeDigits(compact, at, number);
    }
    if (digits == 0)
        return {};
    if (at < compact.size() && IsExponentMark(compact[at], dMarksExponent)) {
        std::string exponent = "e";
        ++at;
        if (at < compact.size() && (compact[at] == '+' || compact[at] == '-'))
            exponent += compact[at++];
        if (TakeDigits(compact, at, exponent) > 0)
            number += exponent;
    }
    return number;
}

} // namespace

double LeadingNumber(std::string_view text, bool dMarksExponent) {
    const std::string number = NumberText(text, dMarksExponent);
    if (number.empty())
        return 0;
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: decided by the sign of the exponent.
        const bool tiny = number.find("e-") != std::string::npos;
        const bool negative = number.front() == '-';
        return tiny ? 0.0 : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return result.ec == std::errc{} ? value : 0;
}

} // namespace faxlens
