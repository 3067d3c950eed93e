#include "terminal_xml.h"
#include "terminal_xml_commands.h"

#include "emv_module.h"
#include "reader_terminals.h"

#include "server/automation_error.h"
#include "server/terminal_vocabulary.h"

#include <array>

namespace vantrel::forecourt {

namespace {

constexpr std::array kPackages = {
    PackageVersion{"Display", "2.4.1"},
    PackageVersion{"EMVModule", "1.7.0"},
    PackageVersion{"Printer", "1.2.3"},
    PackageVersion{"SecurePrompt", "3.0.2"},
};

// The job under which XML print commands reach the paper.
constexpr const char* kPacketJob = "Packet";

} // namespace

std::span<const PackageVersion> packageVersions() { return kPackages; }

namespace packet {

using namespace vantrel::xml;

std::string displaySecurePrompt(CommandTarget& target, const Element& c, const std::string&)
{
    SecurePrompt s;
    s.promptId = requiredValue(c, PromptId);
    s.language = c.value(Language);
    s.securityLevel = c.value(SecurityLevel);
    s.maxLength = number(c, MaxLength);
    s.autoTerminate = flag(c, AutoTerminate);
    s.hidden = flag(c, Hidden);
    s.pinSupportData = c.value(PINSupportData);
    target.reader.screen.securePrompt = s;
    return {};
}

std::string getPackageVersion(CommandTarget&, const Element&, const std::string&)
{
    std::string packages;
    for (const auto& p : kPackages)
        packages += empty(Package, {{Name, p.name}, {Version, p.version}});
    return packages;
}

std::string initiateTransaction(CommandTarget& target, const Element&, const std::string& sequence)
{
    try {
        initiateEmvTransaction(target.reader, target.position, sequence, target.condition.declinesCards);
    } catch (const AutomationError& e) {
        throw Refusal{e.description()};
    }
    return {};
}

// Bar codes and cuts go to the paper in the order the command lists them;
// every bar code is checked before anything is printed.
std::string print(CommandTarget& target, const Element& c, const std::string&)
{
    if (!target.condition.printerError.empty())
        throw Refusal{target.condition.printerError};
    for (const auto& item : c.children)
        if (item.name == PrintBarCode)
            requiredValue(item, Characters);
    for (const auto& item : c.children) {
        if (item.name == PrintBarCode)
            target.reader.paper.addBarCode(kPacketJob, item.value(Characters), item.value(Symbology));
        else if (item.name == CutPaper)
            target.reader.paper.addCut(kPacketJob);
    }
    return {};
}

} // namespace packet
} // namespace vantrel::forecourt
