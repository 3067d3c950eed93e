#include "shell_handlers.h"

#include "server/conversions.h"
#include "server/records.h"
#include "session/session.h"

namespace vantrel::shell {

void sendWindowControl(Session& s)
{
    s.setTextBox("<Object>.WindowControl = (data)");
    const bool visible = s.prompter().question("Do you want Vantrel visible?", "WindowControl Select");
    std::string record;
    rec::appendLine(record, visible ? "Visible" : "Hide");
    rec::appendNul(record);
    s.recordData = Value::string(record);
    s.server().put("WindowControl", s.recordData);
}

void invokeHelpFile(Session& s)
{
    // The value is converted as a status and dropped; a value that is no number is an error.
    (void)toInt16(s.server().call("InvokeHelpFile", std::nullopt));
}

static std::string labelName(int n) { return "ButtLab" + std::to_string(n); }

void selectorClick(Session& s, int n)
{
    s.setBox(Box::TextBoxPumpNumber, "Fueling Position -> " + std::to_string(n));
    s.setFp(static_cast<std::int16_t>(n));
    s.setFpText(rec::positionText(n));
}

static void readPositionInformation(Session& s, int n)
{
    s.setInBox(toText(s.server().get("FuelingPositionInformation", Value::int16(static_cast<std::int16_t>(n)))));
}

void selectorGotFocus(Session& s, int n)
{
    s.windows().setControlColour(kMainWindow, labelName(n), colours::Red);
    s.setTextBox(n == 1 ? "(returned data)=<Object>.FuelingPositionInformation(passed data)"
                        : "<returned data>=<Object>.FuelingPositionInformation(passed data)");
    readPositionInformation(s, n);
}

void selectorLostFocus(Session& s, int n)
{
    s.windows().setControlColour(kMainWindow, labelName(n), colours::LightYellow);
}

void selectorDoubleClick(Session& s, int n) { readPositionInformation(s, n); }

static Handler opens(const char* window)
{
    return [window](Session& s) { s.windows().showWindow(window); };
}

std::vector<ButtonSpec> mainWindowButtons()
{
    using namespace colours;
    return {
        {"OTHERDEVICESBUTTON", "OTHER DEVICES", {240, 480, 1335, 615}, Green, opens(kNavigation[0].second)},
        {"TEST_FUNCTION_BUTTON", "Test Functions", {240, 2520, 1335, 375}, Yellow, opens(kNavigation[1].second)},
        {"KeyEntryTypeButton", "Key Entry Type", {240, 3120, 1335, 375}, Green, opens(kNavigation[2].second)},
        {"InfoDisplay", "Info Disp", {2160, 4800, 1575, 375}, Cyan, opens(kNavigation[3].second)},
        {"WindowControl", "WindowControl", {2160, 1080, 1575, 255}, {}, sendWindowControl},
        {"HELP_BUTTON", "Help File", {2160, 1440, 1575, 255}, {}, invokeHelpFile},
    };
}

} // namespace vantrel::shell
