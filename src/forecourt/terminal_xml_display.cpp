#include "terminal_xml_commands.h"

#include "reader_terminals.h"

#include "server/terminal_vocabulary.h"

#include <utility>

namespace vantrel::forecourt::packet {

using namespace vantrel::xml;

std::string setMessageWindowProperties(CommandTarget& target, const Element& c, const std::string&)
{
    target.reader.screen.messageWindow = windowProperties(c, required(c, MessageWindowProperties));
    return {};
}

std::string setDataEntryWindowProperties(CommandTarget& target, const Element& c, const std::string&)
{
    target.reader.screen.dataEntryWindow = windowProperties(c, required(c, DataEntryWindowProperties));
    return {};
}

std::string setSoftKeyProperties(CommandTarget& target, const Element& c, const std::string& sequence)
{
    const Element& p = required(c, xml::SoftKeyProperties);
    forecourt::SoftKeyProperties k;
    k.sequenceNumber = sequence;
    k.foreColor = colour(p, ForeColor);
    k.pixelsFromEdge = number(p, PixelsFromEdge);
    k.width = number(p, SoftKeyWidth);
    k.height = number(p, SoftKeyHeight);
    k.alignment = p.value(SoftKeyAlignment);
    k.font = font(p);
    target.reader.screen.softKeyProperties = k;
    return {};
}

std::string setPromptDetails(CommandTarget& target, const Element& c, const std::string&)
{
    const Element& d = required(c, PromptDetails);
    Prompt p;
    p.language = c.value(Language);
    p.description = d.value(Description);
    p.main = promptLine(d, PromptId);
    if (p.main.id.empty())
        throw Refusal{std::string(PromptDetails) + " has no " + std::string(PromptId)};
    if (const Element* texts = d.child(AdditionalTexts))
        for (const auto& t : texts->children)
            if (t.name == AdditionalText)
                p.additional.push_back(promptLine(t, Id));
    target.reader.screen.prompts[p.main.id] = std::move(p);
    return {};
}

std::string displayPrompt(CommandTarget& target, const Element& c, const std::string&)
{
    const std::string id = requiredValue(c, Id);
    if (!target.reader.screen.prompts.count(id))
        throw Refusal{"prompt " + id + " is not defined"};
    target.reader.screen.shownPromptId = id;
    return {};
}

std::string setImageDetails(CommandTarget& target, const Element& c, const std::string&)
{
    const std::string id = requiredValue(c, ImageId);
    target.reader.screen.images[id] = ImageDetails{c.value(Filename), c.value(Language), c.text};
    return {};
}

} // namespace vantrel::forecourt::packet
