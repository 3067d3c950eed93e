// The keypad configuration, the stress test and the key entry buttons.
#include "reader_controls.h"
#include "reader_handlers.h"
#include "reader_key_entry.h"
#include "reader_records.h"

#include "session/session.h"
#include "session/window_host.h"

#include <string>

namespace vantrel::reader {

namespace {

constexpr const char* kKeyEntryDescription = "<Object>.KeyEntryData  = (data)";

void sendKeypad(Session& s, std::string_view keyData)
{
    s.setTextBox("<Object>.KeyPadData (data)");
    const std::string record = keypadRecord(s.fpText(), keyData);
    s.server().put("KeyPadConfiguration", Value::string(record));
    s.setInBox(record);
}

// Puts the key entry record, shows it and hides the window; a failing put
// ends the handler before InBox is written and before the window hides.
void sendKeyEntry(Session& s, const std::string& record)
{
    s.setTextBox(kKeyEntryDescription);
    s.server().put("KeyEntryType", Value::string(record));
    s.setInBox(record);
    s.windows().hideWindow(kKeyEntryForm);
}

// Marks a stress tick as running for as long as it lasts, failures included.
class TickGuard {
public:
    explicit TickGuard(bool& running) : m_running(running) { m_running = true; }
    ~TickGuard() { m_running = false; }
    TickGuard(const TickGuard&) = delete;
    TickGuard& operator=(const TickGuard&) = delete;

private:
    bool& m_running;
};

} // namespace

void keyPad(Session& s)
{
    s.setTextBox("<Object>.KeyPadConfiguration = (data)");
    if (!s.prompter().question("Do you want to set your on config?", "Key Pad Configuration Select")) {
        sendKeypad(s, kCannedKeyData);
        return;
    }
    const std::string entry = s.prompter().input("Enter Keypad Config Data", "Keypad Configuration");
    if (entry.empty()) {
        s.prompter().message("You entered no data or pressed cancel");
        return;
    }
    sendKeypad(s, entry);
}

void stressButton(Session& s)
{
    if (s.stressActive == 0) {
        s.stressActive = 1;
        s.stressTicks = 0;
        s.windows().setControlColour(kMainWindow, "STRESS_BUTTON", colours::Green);
    } else {
        s.stressActive = 0;
        s.windows().setControlColour(kMainWindow, "STRESS_BUTTON", colours::Magenta);
    }
}

void stressTick(Session& s)
{
    if (s.stressActive != 1 || s.stressTickRunning)
        return;
    TickGuard guard(s.stressTickRunning);
    ++s.stressTicks;
    try {
        s.server().put("KeyPadConfiguration", Value::string(keypadRecord("01", kCannedKeyData)));
        s.server().put("KeyPadConfiguration", Value::string(keypadRecord("17", kCannedKeyData)));
    } catch (...) {
        // Switch the test off before the failure is reported, so that the
        // ticks that come while the message is open send nothing and the
        // failure is reported once, not every second.
        s.stressActive = 0;
        s.windows().setControlColour(kMainWindow, "STRESS_BUTTON", colours::Magenta);
        throw;
    }
}

void sendEntryMode(Session& s, std::string_view entryMode)
{
    const std::string record = keyEntryRecord(s.fpText(), entryMode);
    sendKeyEntry(s, record);
}

void securePrompt(Session& s)
{
    const std::string type = s.prompter().input("Enter Message type (1 = no echo 2 = echo)", "Secure Prompt Type");
    if (type == "1" || type == "2") {
        const std::string mode = type == "1" ? "SecurePromptNumericNoEcho" : "SecurePromptNumericEcho";
        const std::string number = s.prompter().input("Enter Message number", "Secure Prompt Message Number");
        sendKeyEntry(s, keyEntryRecord(s.fpText(), mode + "." + number));
        return;
    }
    // Any other type is abandoned silently.
    s.windows().hideWindow(kKeyEntryForm);
}

std::vector<ButtonSpec> keyEntryButtons()
{
    using namespace colours;
    auto mode = [](const char* entryMode) { return [entryMode](Session& s) { sendEntryMode(s, entryMode); }; };
    // Two columns; FUNC alone on the top row, in the middle.
    constexpr int left = 240, right = 1680, width = 1215, height = 615, step = 780, top = 240;
    auto row = [&](int n) { return top + n * step; };
    return {
        {"FUNC_KEY", "FUNC", {960, row(0), width, height}, Orange, mode("AnyKey")},
        {"NUM_NO_ECHO_BUTTON", "      NUM       NO ECHO", {left, row(1), width, height}, Green, mode("NumericWithOutEcho")},
        {"NUM_ECHO_BUTTON", "   NUM      ECHO", {right, row(1), width, height}, Green, mode("NumericWithEcho")},
        {"NUM_NO_ECHO_N_CUR_BUTTON", "     NUM      NO ECHO NO CUR", {left, row(2), width, height}, {},
         mode("NumericWithOutEchoNoCursor")},
        {"NUM_ECHO_N_CUR_BUTTON", "     NUM             ECHO       NO CUR", {right, row(2), width, height}, {},
         mode("NumericWithEchoNoCursor")},
        {"DES_BUTTON", "DES", {left, row(3), width, height}, {}, mode("DESEncryption")},
        {"DES_NO_CUR_BUTTON", "    DES      NO CUR", {right, row(3), width, height}, {}, mode("DESEncryptionNoCursor")},
        {"ALPHA_AND_NUM_BUTTON", "    ALPHA  AND NUM", {left, row(4), width, height}, Cyan, mode("AlphaAndNumeric")},
        {"ALPHA_NUM_ONLY_BUTTON", "  ALPHA   NUM ONLY", {right, row(4), width, height}, Cyan, mode("AlphaWithNumericOnly")},
        {"ALPHA_ONLY_BUTTON", "ALPHA ONLY", {left, row(5), width, height}, Cyan, mode("AlphaOnly")},
        {"SECURE_PROMPT", "SECURE PROMPT", {right, row(5), width, height}, LightBlue, securePrompt},
    };
}

} // namespace vantrel::reader
