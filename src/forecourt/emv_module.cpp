#include "emv_module.h"

#include "reader_terminals.h"
#include "record_parser.h"

#include "server/automation_error.h"
#include "server/records.h"

#include <QXmlStreamWriter>

#include <array>
#include <functional>

namespace vantrel::forecourt {

namespace {

// The cards the simulated customers insert, in turn. Test card numbers only.
struct Card {
    const char* label;
    const char* aid;
    const char* pan;
    const char* expiry; // YYMM
};
constexpr std::array<Card, 3> kCards = {{
    {"VISA CREDIT", "A0000000031010", "4761739001010119", "2912"},
    {"MASTERCARD", "A0000000041010", "5413330089020011", "2812"},
    {"MAESTRO", "A0000000043060", "6799998900000060018", "2711"},
}};

void queueCardData(Reader& reader, const std::string& pos, const Card& card, bool declined);

std::string maskedPan(const std::string& pan)
{
    return pan.substr(0, 6) + std::string(pan.size() - 10, '*') + pan.substr(pan.size() - 4);
}

// <EMVModuleResponse><TransactionResult SequenceNumber=".." Result=".." ...>: the outcome
// of the transaction start, which follows the terminal's acknowledgement of the command.
std::string response(const std::string& sequenceNumber, const char* result,
                     const std::function<void(QXmlStreamWriter&)>& details)
{
    QString xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartElement("EMVModuleResponse");
    writer.writeStartElement("TransactionResult");
    writer.writeAttribute("SequenceNumber", QString::fromLatin1(sequenceNumber.data(), static_cast<qsizetype>(sequenceNumber.size())));
    writer.writeAttribute("Result", result);
    details(writer);
    writer.writeEndElement();
    writer.writeEndElement();
    const QByteArray bytes = xml.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

void readerControl(ReaderTerminals& readers, const std::string& record)
{
    const auto parsed = parseRecord(record, true);
    Reader& reader = readers.answering(parsePosition(parsed.require("ReaderPosition")));
    const std::string control = trim(parsed.require("ChipReaderControl"));
    if (equalsIgnoreCase(control, "Enable"))
        reader.emv.chipReaderEnabled = true;
    else if (equalsIgnoreCase(control, "Disable"))
        reader.emv.chipReaderEnabled = false;
    else
        throw AutomationError(ErrorCode::InvalidValue,
                              "ChipReaderControl takes \"Enable\" or \"Disable\", not \"" + control + "\"");
}

void initiateEmvTransaction(Reader& reader, int position, const std::string& sequenceNumber, bool declines)
{
    ++reader.emv.transactions;
    const std::string pos = rec::positionText(position);
    if (!reader.emv.chipReaderEnabled) {
        const std::string xml = response(sequenceNumber, "Error", [](QXmlStreamWriter& w) {
            w.writeAttribute("ErrorCode", "ChipReaderDisabled");
            w.writeAttribute("ErrorText", "The chip reader is disabled");
        });
        reader.enqueue(QueueKind::Packet, rec::packetRecord(pos, xml, 3));
        return;
    }
    const Card& card = kCards[static_cast<std::size_t>(reader.emv.cardsRead) % kCards.size()];
    ++reader.emv.cardsRead;
    const std::string pan = card.pan;
    const std::string xml = response(sequenceNumber, "CardInserted", [&](QXmlStreamWriter& w) {
        w.writeStartElement("Card");
        w.writeAttribute("ApplicationLabel", card.label);
        w.writeAttribute("AID", card.aid);
        w.writeAttribute("MaskedPAN", QString::fromStdString(maskedPan(pan)));
        w.writeAttribute("Expiry", card.expiry);
        w.writeEndElement();
    });
    reader.enqueue(QueueKind::Packet, rec::packetRecord(pos, xml, 3));
    queueCardData(reader, pos, card, declines);
}

void insertChipCard(Reader& reader, int position, bool declines)
{
    const Card& card = kCards[static_cast<std::size_t>(reader.emv.cardsRead) % kCards.size()];
    ++reader.emv.cardsRead;
    queueCardData(reader, rec::positionText(position), card, declines);
}

namespace {

void queueCardData(Reader& reader, const std::string& pos, const Card& card, bool declined)
{
    const std::string pan = card.pan;
    std::string cardData;
    rec::appendLine(cardData, "ReaderPosition=", pos);
    rec::appendLine(cardData, "CardType=Chip");
    rec::appendLine(cardData, "ApplicationLabel=", card.label);
    rec::appendLine(cardData, "AID=", card.aid);
    cardData += "Track2=" + pan + "=" + card.expiry + "201";
    if (declined)
        cardData += "\r\nCardStatus=Declined";
    reader.enqueue(QueueKind::Card, std::move(cardData));
}

} // namespace

} // namespace vantrel::forecourt
