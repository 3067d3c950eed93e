#include "authorisation.h"

#include <cmath>

#include "server/records.h"
#include "session/session.h"

#include <optional>
#include <string>

namespace vantrel::fueling {

namespace {

constexpr const char* kAuthorizeEquals = "<Object>.Authorize = (data)";
constexpr const char* kAuthorizePlain = "<Object>.Authorize (data)";

// The authorisation record: position, optional hose, MOP and limit lines.
std::string authorisationRecord(const Session& s, const std::optional<std::string>& hose, std::string_view mop,
                                std::string_view limit)
{
    std::string record;
    rec::appendLine(record, "FuelingPosition=", s.fpText());
    if (hose)
        rec::appendLine(record, "Hose=", *hose);
    rec::appendLine(record, "MOP=", mop);
    rec::appendLine(record, "Limit=", limit);
    rec::appendNul(record);
    return record;
}

// Keeps the record as the last one built, sends it and shows it.
void sendAuthorisation(Session& s, const std::string& record, bool showFirst)
{
    s.recordData = Value::string(record);
    if (showFirst)
        s.prompter().message(record);
    s.server().put("Authorize", s.recordData);
    s.setInBox(record);
}

void cannedAuthorisation(Session& s, const char* description, const std::optional<std::string>& hose,
                         std::string_view mop, std::string_view limit)
{
    s.setTextBox(description);
    sendAuthorisation(s, authorisationRecord(s, hose, mop, limit), false);
}

// Asks for the method of payment. Gives "F", "1" or "2", or nothing after
// the message that tells what was wrong with the answer.
std::optional<std::string> askMop(Session& s)
{
    const std::string answer = s.prompter().input("Enter MOP (1, 2, F)", "MOP Input");
    if (answer == "F" || answer == "f")
        return "F";
    const double mop = rec::readPromptNumber(answer);
    if (mop == 0) {
        s.prompter().message(kNoData);
        return std::nullopt;
    }
    if (mop != 1 && mop != 2) {
        s.prompter().message(kBadMop);
        return std::nullopt;
    }
    return rec::zeroFilled(mop, 1);
}

// A bare position command: description, the position text to the member, one blank in InBox.
void positionCommand(Session& s, const char* shownMember, const char* member, const std::string& position)
{
    s.setTextBox(std::string("<Object>.") + shownMember + " = (" + position + ")");
    s.server().put(member, Value::string(position));
    s.setInBox(" ");
}

} // namespace

void fillup(Session& s) { cannedAuthorisation(s, kAuthorizeEquals, "0", "F", "999999"); }
void newPreset(Session& s) { cannedAuthorisation(s, kAuthorizePlain, std::nullopt, "N", "000500"); }
void presetMop1(Session& s) { cannedAuthorisation(s, kAuthorizePlain, "0", "1", "000500"); }
void presetMop2(Session& s) { cannedAuthorisation(s, kAuthorizePlain, "0", "2", "000500"); }

void preset(Session& s)
{
    const std::string hoseAnswer = s.prompter().input("Enter Hose Number (0 - 8)", "Hose Input");
    if (hoseAnswer.empty()) {
        s.prompter().message(kNoData);
        return;
    }
    const double hose = rec::readPromptNumber(hoseAnswer);
    if (hose < 0 || hose > 8) {
        s.prompter().message(kBadHose);
        return;
    }

    const auto mop = askMop(s);
    if (!mop)
        return;

    const double limit = rec::readPromptNumber(s.prompter().input("Enter Limit - Must be 6 digits", "Preset amount Input"));
    if (limit == 0) {
        s.prompter().message(kNoData);
        return;
    }
    if (!std::isfinite(limit)) {
        s.prompter().message(rec::kNumberTooLarge);
        return;
    }

    const bool fillUp = *mop == "F";
    s.setTextBox(fillUp ? kAuthorizeEquals : kAuthorizePlain);
    // An F sale is a fill-up: the entered limit is checked but not sent.
    const std::string record =
        authorisationRecord(s, rec::zeroFilled(hose, 1), *mop, fillUp ? "999999" : rec::zeroFilled(limit, 6));
    sendAuthorisation(s, record, true);
}

void multiHoseLock(Session& s)
{
    const auto mop = askMop(s);
    if (!mop)
        return;
    s.setTextBox(kAuthorizeEquals);
    sendAuthorisation(s, authorisationRecord(s, "M00000101", *mop, "000100"), true);
}

void deauthorize(Session& s) { positionCommand(s, "DeAuthorize", "Deauthorize", s.fpText()); }
void stop(Session& s) { positionCommand(s, "Stop", "Stop", s.fpText()); }
void stopAll(Session& s) { positionCommand(s, "Stop", "Stop", "0"); }
void resume(Session& s) { positionCommand(s, "Resume", "Resume", s.fpText()); }
void payOutSale(Session& s) { positionCommand(s, "PayOutSale", "PayOutSale", s.fpText()); }

} // namespace vantrel::fueling
