// How the secondary windows come into being: each subsystem adds a factory
// for its windows under the window's object name, with the name of the
// window that owns it. The shell creates a window on first use and keeps it.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace vantrel {

class Form;
class Session;

struct WindowFactory {
    std::string name;  // object name: "OtherDevicesForm"
    std::string owner; // object name of the owner: "VantrelTest"
    std::function<Form*(Session&, QWidget* owner)> create;
};

class WindowCatalog {
public:
    void add(WindowFactory factory) { m_factories.push_back(std::move(factory)); }
    const WindowFactory* find(const std::string& name) const
    {
        for (const auto& f : m_factories)
            if (f.name == name)
                return &f;
        return nullptr;
    }
    const std::vector<WindowFactory>& all() const { return m_factories; }

private:
    std::vector<WindowFactory> m_factories;
};

} // namespace vantrel
