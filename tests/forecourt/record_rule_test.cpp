// One rule for where a record ends, held against every member that takes a
// record: the same variants of an accepted record are accepted or refused
// with the same number by all of them.
#include "member_records.h"

#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantrel;
using namespace vantrel::forecourt;

namespace {

struct RuleCase {
    std::string member;
    std::string variant;
    std::string record;
    int error; // 0: accepted
};
void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.member << "/" << c.variant; }

// Where the last line of a record ends: before its CR LF (or LF), before the NUL.
std::size_t lastLineEnd(const std::string& record)
{
    std::size_t at = record.rfind('\n', record.size() - 2);
    if (at > 0 && record[at - 1] == '\r')
        --at;
    return at;
}

std::vector<RuleCase> ruleCases()
{
    const std::string nul(1, '\0');
    std::vector<RuleCase> cases;
    for (const auto& m : ForecourtServer::members()) {
        const auto good = test::acceptedRecord(m.name);
        if (!good)
            continue;
        const bool nulOptional = m.shape == Shape::Message;
        const std::string body = good->substr(0, good->size() - 1);
        cases.push_back({m.name, "AsBuilt", *good, 0});
        cases.push_back({m.name, "SecondNul", *good + nul, 1004});
        cases.push_back({m.name, "ByteAfterNul", *good + "x", 1004});
        cases.push_back({m.name, "LineAfterNul", *good + "Extra=1\r\n" + nul, 1004});
        std::string inner = *good;
        inner.insert(lastLineEnd(inner), nul);
        cases.push_back({m.name, "NulInLastValue", inner, 1004});
        // Display messages of the test suites end without NUL, some after a bare LF.
        cases.push_back({m.name, "NoNul", body, nulOptional ? 0 : 1002});
        cases.push_back({m.name, "NoNulAfterBareLf", body + "\n", nulOptional ? 0 : 1002});
        // A keyed first line (a position, a section, a command) stands once.
        const std::string first = body.substr(0, body.find('\n') + 1);
        if (first.find('=') != std::string::npos)
            cases.push_back({m.name, "FirstLineTwice", first + *good, 1004});
    }
    return cases;
}

class RecordRuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RecordRuleTest, EveryMemberEndsARecordAlike)
{
    ForecourtServer server(std::make_shared<ManualClock>());
    int error = 0;
    std::string description;
    try {
        server.put(GetParam().member, Value::string(GetParam().record));
    } catch (const AutomationError& e) {
        error = e.number();
        description = e.description();
    }
    EXPECT_EQ(error, GetParam().error) << description;
}

INSTANTIATE_TEST_SUITE_P(AllRecordMembers, RecordRuleTest, ::testing::ValuesIn(ruleCases()),
                         [](const auto& info) { return info.param.member + "_" + info.param.variant; });

} // namespace
