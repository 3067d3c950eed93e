#include "automation_registry.h"

#include "automation_error.h"

namespace vantrel {

const char* accessName(Access access)
{
    switch (access) {
    case Access::Put: return "put";
    case Access::Get: return "get";
    case Access::Call: return "call";
    }
    return "?";
}

const char* typeName(Value::Type type)
{
    switch (type) {
    case Value::Type::Empty: return "empty";
    case Value::Type::Int16: return "int16";
    case Value::Type::Int32: return "int32";
    case Value::Type::Double: return "double";
    case Value::Type::String: return "string";
    case Value::Type::Bool: return "bool";
    }
    return "?";
}

void AutomationRegistry::add(std::string progId, Factory factory)
{
    m_factories[std::move(progId)] = std::move(factory);
}

bool AutomationRegistry::contains(std::string_view progId) const
{
    return m_factories.find(progId) != m_factories.end();
}

std::unique_ptr<AutomationObject> AutomationRegistry::create(std::string_view progId) const
{
    const auto it = m_factories.find(progId);
    if (it == m_factories.end())
        throw AutomationError(ErrorCode::CannotCreateObject,
                              "no server is registered as '" + std::string(progId) + "'");
    std::unique_ptr<AutomationObject> object;
    try {
        object = it->second();
    } catch (const AutomationError&) {
        throw;
    } catch (const std::exception& e) {
        throw AutomationError(ErrorCode::CannotCreateObject,
                              "'" + std::string(progId) + "' failed to start: " + e.what());
    }
    if (!object)
        throw AutomationError(ErrorCode::CannotCreateObject, "'" + std::string(progId) + "' failed to start");
    return object;
}

} // namespace vantrel
