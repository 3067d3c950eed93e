// For each member of the embedded server that takes a record: one record,
// as the utility builds it, that the member accepts on a fresh server.
#pragma once

#include "forecourt/forecourt_server.h"

#include <map>
#include <optional>
#include <string>

namespace vantrel::test {

inline std::optional<std::string> acceptedRecord(const std::string& member)
{
    const auto nul = [](const char* text) { return std::string(text) + '\0'; };
    static const std::map<std::string, std::string> records = {
        {"Authorize", nul("FuelingPosition=05\r\nHose=0\r\nMOP=F\r\nLimit=999999\r\n")},
        {"Price", nul("FuelingPosition=05\r\nSlowdownPoint=15\r\nHose=1\r\nTier1=1111\r\nTier2=1111\r\n")},
        {"DisplayData", nul("ReaderPosition=05\r\nMessage=Display Msg 1\r\nLine 2 Displayed\r\n")},
        {"PreloadDisplayMessage", nul("Section=1\r\nMessageType=Card\r\nMessageNumber=1\r\nMessage=Get it Out\r\n")},
        {"PrintOutput", nul("ReaderPosition=05\r\nJob=Header\r\nMessage=-----Header 1-----\r\n")},
        {"KeyPadConfiguration", nul("ReaderPosition=05\r\nKeyData=123@R456A@789NYL0EHCe\n")},
        {"KeyEntryType", nul("ReaderPosition=05\r\nEntryMode=SecurePromptNumericEcho.7\r\n")},
        {"BeeperControl", nul("ReaderPosition=05\nBeepCounts=03\n")},
        {"PacketQueOutput", nul("ReaderPosition=05\r\nPacketCount=003\r\nPacketData=C\x10\x07\r\n")},
        {"CarWashInformationRequest", nul("ReturnCardData\r\n")},
        {"PriceSignDataSend", nul("Command=DisplayControl\r\nIntensity=M08\r\n")},
        {"ReaderControl", nul("ReaderPosition=05\r\nChipReaderControl=Enable\r\n")},
        {"WindowControl", nul("Visible\r\n")},
    };
    const auto it = records.find(member);
    return it == records.end() ? std::nullopt : std::optional<std::string>(it->second);
}

} // namespace vantrel::test
