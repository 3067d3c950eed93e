// The one error type of the automation layer and the embedded server: a
// stable number and a description a technician can read. Every error the
// utility can raise is listed in errorTable() with its number.
#pragma once

#include <span>
#include <stdexcept>
#include <string>

namespace vantrel {

enum class ErrorCode : int {
    // Conversions of returned values.
    Overflow = 6,
    TypeMismatch = 13,
    // The caller may not use the server (a bus policy refuses it).
    PermissionDenied = 70,
    // Reaching the server.
    CannotCreateObject = 429,
    UnknownMember = 438,
    ServerError = 440,
    WrongAccess = 450,
    ServerUnavailable = 462,
    // An answer larger than the utility takes in (its size is in the description).
    ReplyTooLarge = 463,
    // Records and values the embedded server refuses.
    WrongValueType = 1001,
    MissingTerminator = 1002,
    PositionOutOfRange = 1003,
    MalformedRecord = 1004,
    MissingKey = 1005,
    InvalidValue = 1006,
    // A value larger than the server takes (the bound is in the description).
    ValueTooLarge = 1007,
    // Fueling positions.
    SaleStateConflict = 1101,
    NoSaleToPay = 1102,
    NotStopped = 1103,
    HoseGroupIncomplete = 1104,
    PositionNotAnswering = 1105,
    PumpDeviceError = 1106,
    // The site file leaves the position (and its reader) out.
    PositionNotInstalled = 1107,
    // Reader terminals.
    ReaderRefused = 1201,
    UnknownEntryMode = 1202,
    EmptyKeypadConfiguration = 1203,
    InvalidBeepCount = 1204,
    EmptyPacket = 1205,
    SecurePromptNumberInvalid = 1206,
    PreloadInvalid = 1207,
    ReaderNotAnswering = 1208,
    PrinterPaperOut = 1209,
    PrinterJammed = 1210,
    // Car wash.
    UnknownCarWashCode = 1301,
    CarWashRecordInvalid = 1302,
    CarWashCodeUsed = 1303,
    CarWashOutOfOrder = 1304,
    // Tank monitor.
    TankMonitorBusy = 1401,
    TankMonitorStartValue = 1402,
    // Price sign.
    PriceSignRecordInvalid = 1501,
    // Terminal test suites.
    ImageFileUnreadable = 1601,
    // The utility itself.
    InternalError = 9001,
};

struct ErrorInfo {
    ErrorCode code;
    const char* summary; // the standing description; details are added per occurrence
};

// Every error number with its standing description, the one list of them.
std::span<const ErrorInfo> errorTable();
const char* errorSummary(ErrorCode code);

class AutomationError : public std::runtime_error {
public:
    // The description is the table's summary, followed by ": " and the detail when one is given.
    explicit AutomationError(ErrorCode code, const std::string& detail = {});
    // An error whose number and description come from elsewhere (a remote server).
    AutomationError(int number, std::string description);

    int number() const { return m_number; }
    const std::string& description() const { return m_description; }

private:
    int m_number;
    std::string m_description;
};

} // namespace vantrel
