// Creation of automation servers by programmatic identifier. The embedded
// forecourt server registers itself as "Vantrel.Application"; tests register
// fakes under names of their own.
#pragma once

#include "automation_object.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace vantrel {

class AutomationRegistry {
public:
    using Factory = std::function<std::unique_ptr<AutomationObject>()>;

    void add(std::string progId, Factory factory);
    bool contains(std::string_view progId) const;
    // Throws AutomationError(CannotCreateObject) for an unknown identifier or a factory that fails.
    std::unique_ptr<AutomationObject> create(std::string_view progId) const;

private:
    std::map<std::string, Factory, std::less<>> m_factories;
};

} // namespace vantrel
