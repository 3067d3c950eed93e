// Helpers of the suites tests: expected records kept as data files, the
// control characters written by name, and an observer that writes what a
// run did (InBox texts, server calls with their values, waits) as lines.
#pragma once

#include "session/session_observer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define K_ESC "\x1b"
#define K_SUB "\x1a"
#define K_ETX "\x03"
#define K_DC3 "\x13"

namespace vantrel::test {

inline std::string dataFile(const std::string& name)
{
    const std::string path = std::string(SUITES_TEST_DATA) + "/" + name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string valueText(const Value& v)
{
    switch (v.type()) {
    case Value::Type::String: return v.asString();
    case Value::Type::Double: return "double " + std::to_string(v.asDouble());
    case Value::Type::Int16: return "int16 " + std::to_string(v.asInt16());
    case Value::Type::Int32: return "int32 " + std::to_string(v.asInt32());
    default: return typeName(v.type());
    }
}

struct TraceObserver : SessionObserver {
    std::vector<std::string> lines;

    void callMade(const CallEvent& e) override
    {
        std::string line = std::string(accessName(e.access)) + " " + e.member;
        if (e.argument)
            line += " " + valueText(*e.argument);
        lines.push_back(line);
    }
    void boxChanged(Box box, std::string_view text) override
    {
        if (box == Box::InBox)
            lines.push_back("InBox " + std::string(text));
    }
    void waitStarted(int ticks) override { lines.push_back("wait " + std::to_string(ticks)); }
};

} // namespace vantrel::test
