// Where the board reads the simulated site, sends the customer's actions and
// sets its faults:
// the embedded forecourt in this process, or a simulator served on D-Bus.
// Both answer through callbacks, so a source across the bus never makes the
// board wait; the embedded one answers at once.
#pragma once

#include "forecourt/site_state.h"

#include <functional>
#include <optional>
#include <string>

namespace vantrel::forecourt {
class ForecourtServer;
}

namespace vantrel::board {

struct SiteReading {
    std::optional<forecourt::SiteState> state; // empty when the site could not be read
    std::string error;                         // why not
};

struct CustomerAnswer {
    bool done = false;
    std::string text; // what was done, or why it was not
};

class SiteSource {
public:
    virtual ~SiteSource() = default;
    // Reads the site with the reader at `position` (1..32).
    virtual void read(int position, std::function<void(SiteReading)> done) = 0;
    // Acts as the customer, in the words of a script's customer line ("card 7 1").
    virtual void act(const std::string& action, std::function<void(CustomerAnswer)> done) = 0;
    // Sets a fault of the site, or clears, in the words of a script's fault line ("position 3 offline").
    virtual void fault(const std::string& fault, std::function<void(CustomerAnswer)> done) = 0;
    // Calls `changed` after every change of the site until stopListening.
    virtual void listen(std::function<void()> changed) = 0;
    virtual void stopListening() = 0;
    virtual bool listening() const = 0;
    // "the embedded forecourt", "Vantrel.Application on the session bus".
    virtual std::string describe() const = 0;
};

// The embedded forecourt of this process.
class EmbeddedSite : public SiteSource {
public:
    explicit EmbeddedSite(forecourt::ForecourtServer& server) : m_server(server) {}
    ~EmbeddedSite() override;

    void read(int position, std::function<void(SiteReading)> done) override;
    void act(const std::string& action, std::function<void(CustomerAnswer)> done) override;
    void fault(const std::string& fault, std::function<void(CustomerAnswer)> done) override;
    void listen(std::function<void()> changed) override;
    void stopListening() override;
    bool listening() const override { return m_listener != 0; }
    std::string describe() const override { return "the embedded forecourt"; }

private:
    forecourt::ForecourtServer& m_server;
    int m_listener = 0;
};

} // namespace vantrel::board
