// Late-bound access to an automation server by member name, in the three
// kinds the utility uses and no others: put one value, read with no
// argument or one, and call (a read whose result is dropped).
#pragma once

#include "value.h"

#include <optional>
#include <string_view>

namespace vantrel {

enum class Access { Put, Get, Call };
const char* accessName(Access access); // "put", "get", "call"

class AutomationObject {
public:
    virtual ~AutomationObject() = default;

    virtual void put(std::string_view member, const Value& value) = 0;
    virtual Value get(std::string_view member, const std::optional<Value>& argument) = 0;
    // A read whose result the caller drops; a server may treat it as a get.
    virtual Value call(std::string_view member, const std::optional<Value>& argument)
    {
        return get(member, argument);
    }
};

} // namespace vantrel
