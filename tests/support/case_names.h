#pragma once
// Names for the cases of a parameterised test. Every case is named from its
// table (a name field) or from a value it holds, never from the bytes of the
// parameter, so that a test keeps its name from one build to the next and
// `ctest -R NAME` finds it. gtest takes letters, digits and underscores.

#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace vantrel::test_names {

// Letters and digits kept, every other byte an underscore; "empty" for "".
inline std::string caseName(std::string_view text)
{
    if (text.empty())
        return "empty";
    std::string name;
    name.reserve(text.size());
    for (const unsigned char c : text)
        name += (c < 0x80 && std::isalnum(c)) ? static_cast<char>(c) : '_';
    return name;
}

// A number as a name: 2.5 -> "2_5", -1e+20 -> "minus1e20", 5e-324 ->
// "5e_minus324", and "inf", "minus_inf", "nan".
inline std::string numberName(double value)
{
    if (std::isnan(value))
        return "nan";
    std::string name = std::signbit(value) ? "minus" : "";
    value = std::fabs(value);
    if (std::isinf(value))
        return name.empty() ? "inf" : name + "_inf";
    char digits[64];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (const char* p = digits; p != end; ++p) {
        if (*p == '.')
            name += '_';
        else if (*p == '+')
            continue;
        else if (*p == '-')
            name += "_minus";
        else
            name += *p;
    }
    return name;
}

// The generator for a table whose rows carry a `name`.
struct ByName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return caseName(info.param.name);
    }
};

// The generator for a test over plain numbers.
struct ByNumber {
    template <class Number>
    std::string operator()(const ::testing::TestParamInfo<Number>& info) const
    {
        return numberName(static_cast<double>(info.param));
    }
};

} // namespace vantrel::test_names
