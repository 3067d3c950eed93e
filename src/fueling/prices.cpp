#include "prices.h"

#include "authorisation.h"

#include "server/records.h"
#include "session/session.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace vantrel::fueling {

namespace {

constexpr const char* kPriceDescription = "<Object>.Price = (data)";

std::string startRecord(const Session& s, std::string_view slowdown)
{
    std::string record;
    rec::appendLine(record, "FuelingPosition=", s.fpText());
    rec::appendLine(record, "SlowdownPoint=", slowdown);
    return record;
}

void appendHoseGroup(std::string& record, int hose, std::string_view tier1, std::string_view tier2)
{
    rec::appendLine(record, "Hose=", std::to_string(hose));
    rec::appendLine(record, "Tier1=", tier1);
    rec::appendLine(record, "Tier2=", tier2);
}

void sendPrices(Session& s, std::string record)
{
    rec::appendNul(record);
    s.server().put("Price", Value::string(record));
    s.setInBox(std::move(record));
}

// The number of hoses for one answer: halves go to the even neighbour.
// Nothing when the value does not fit a 16-bit signed integer.
std::optional<int> hoseCount(const std::string& answer)
{
    const double rounded = std::nearbyint(rec::readPromptNumber(answer));
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() && rounded <= std::numeric_limits<std::int16_t>::max()))
        return std::nullopt;
    return static_cast<int>(rounded);
}

} // namespace

void cannedPrices(Session& s, int hoses)
{
    s.setTextBox(kPriceDescription);
    std::string record = startRecord(s, "15");
    for (int k = 1; k <= hoses; ++k) {
        const std::string price(4, static_cast<char>('0' + k));
        appendHoseGroup(record, k, price, price);
    }
    sendPrices(s, std::move(record));
}

void price3Blend(Session& s)
{
    s.setTextBox(kPriceDescription);
    std::string record = startRecord(s, "15");
    static constexpr const char* kBlends[] = {"100", "050", "000"};
    for (int k = 1; k <= 3; ++k) {
        const std::string price(4, static_cast<char>('0' + k));
        appendHoseGroup(record, k, price, price);
        rec::appendLine(record, "Blend=", kBlends[k - 1]);
    }
    sendPrices(s, std::move(record));
}

void price(Session& s)
{
    const std::string slowdownAnswer = s.prompter().input("Enter Slow Down Point", "Slow Down Point");
    if (slowdownAnswer.empty())
        return;
    const double slowdown = rec::readPromptNumber(slowdownAnswer);
    if (!std::isfinite(slowdown)) {
        s.prompter().message(rec::kNumberTooLarge);
        return;
    }

    // Asked again, without a message, while the count is above 8 or does not fit.
    int hoses = 0;
    for (;;) {
        const std::string answer = s.prompter().input("Enter number of hoses", "Number of Hoses");
        if (answer.empty())
            return;
        const auto count = hoseCount(answer);
        if (count && *count <= 8) {
            hoses = *count;
            break;
        }
    }

    std::string record;
    if (hoses != 0) {
        s.setTextBox(kPriceDescription);
        record = startRecord(s, rec::signedNumber(slowdown));
        for (int hose = 1; hose <= hoses; ++hose) {
            const std::string title = "Hose = " + std::to_string(hose);
            const std::string tier1 = s.prompter().input("Enter Tier1 price", title);
            if (tier1.empty()) {
                s.prompter().message(kNoData);
                continue;
            }
            const std::string tier2 = s.prompter().input("Enter Tier2 price", title);
            if (tier2.empty()) {
                s.prompter().message(kNoData);
                continue;
            }
            appendHoseGroup(record, hose, tier1, tier2);
        }
    }
    // No hoses: the record is the terminator alone.
    sendPrices(s, std::move(record));
}

} // namespace vantrel::fueling
