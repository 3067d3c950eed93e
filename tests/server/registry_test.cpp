#include "server/automation_error.h"
#include "server/automation_registry.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {
class Null : public AutomationObject {
public:
    void put(std::string_view, const Value&) override {}
    Value get(std::string_view, const std::optional<Value>&) override { return {}; }
};
} // namespace

TEST(Registry, CreatesByProgrammaticIdentifier)
{
    AutomationRegistry r;
    r.add("Test.Null", [] { return std::make_unique<Null>(); });
    EXPECT_TRUE(r.contains("Test.Null"));
    EXPECT_NE(r.create("Test.Null"), nullptr);
}

TEST(Registry, UnknownIdentifierRaises429)
{
    AutomationRegistry r;
    try {
        r.create("No.Such");
        FAIL();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 429);
        EXPECT_NE(e.description().find("No.Such"), std::string::npos);
    }
}

TEST(Registry, FailingFactoryRaises429)
{
    AutomationRegistry r;
    r.add("Broken", []() -> std::unique_ptr<AutomationObject> { throw std::runtime_error("port busy"); });
    try {
        r.create("Broken");
        FAIL();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 429);
        EXPECT_NE(e.description().find("port busy"), std::string::npos);
    }
}
