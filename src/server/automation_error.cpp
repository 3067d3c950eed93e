#include "automation_error.h"

#include <array>

namespace vantrel {

namespace {
constexpr std::array kErrors = {
    ErrorInfo{ErrorCode::PermissionDenied, "Permission denied"},
    ErrorInfo{ErrorCode::Overflow, "Overflow"},
    ErrorInfo{ErrorCode::TypeMismatch, "Type mismatch"},
    ErrorInfo{ErrorCode::CannotCreateObject, "Cannot create the automation server"},
    ErrorInfo{ErrorCode::UnknownMember, "The server has no such property or method"},
    ErrorInfo{ErrorCode::ServerError, "The server reported an error"},
    ErrorInfo{ErrorCode::WrongAccess, "Wrong kind of access or wrong number of arguments for this member"},
    ErrorInfo{ErrorCode::ServerUnavailable, "The server is not available: it went away or does not answer"},
    ErrorInfo{ErrorCode::ReplyTooLarge, "The server's answer is larger than the utility takes"},
    ErrorInfo{ErrorCode::WrongValueType, "The value has the wrong type for this member"},
    ErrorInfo{ErrorCode::MissingTerminator, "The record does not end with its NUL terminator"},
    ErrorInfo{ErrorCode::PositionOutOfRange, "Position outside 01 to 32"},
    ErrorInfo{ErrorCode::MalformedRecord, "The record cannot be read"},
    ErrorInfo{ErrorCode::MissingKey, "A required line is missing from the record"},
    ErrorInfo{ErrorCode::InvalidValue, "A value in the record is not valid"},
    ErrorInfo{ErrorCode::ValueTooLarge, "The value is larger than the server takes"},
    ErrorInfo{ErrorCode::SaleStateConflict, "The fueling position cannot do that in its present state"},
    ErrorInfo{ErrorCode::NoSaleToPay, "There is no sale to pay out at this fueling position"},
    ErrorInfo{ErrorCode::NotStopped, "The fueling position is not stopped"},
    ErrorInfo{ErrorCode::HoseGroupIncomplete, "A hose group of the price record lacks its tier prices"},
    ErrorInfo{ErrorCode::PositionNotAnswering, "The fueling position does not answer"},
    ErrorInfo{ErrorCode::PumpDeviceError, "The fueling position reports a device error"},
    ErrorInfo{ErrorCode::PositionNotInstalled, "The site has no fueling position there"},
    ErrorInfo{ErrorCode::ReaderRefused, "The reader terminal cannot act on the record"},
    ErrorInfo{ErrorCode::UnknownEntryMode, "The reader does not know this key entry mode"},
    ErrorInfo{ErrorCode::EmptyKeypadConfiguration, "The keypad configuration holds no keys"},
    ErrorInfo{ErrorCode::InvalidBeepCount, "The beep count is not a number of beeps"},
    ErrorInfo{ErrorCode::EmptyPacket, "The output packet holds no data"},
    ErrorInfo{ErrorCode::SecurePromptNumberInvalid, "The secure prompt has no valid message number"},
    ErrorInfo{ErrorCode::PreloadInvalid, "The preloaded message cannot be stored"},
    ErrorInfo{ErrorCode::ReaderNotAnswering, "The reader terminal does not answer"},
    ErrorInfo{ErrorCode::PrinterPaperOut, "The printer is out of paper"},
    ErrorInfo{ErrorCode::PrinterJammed, "The printer's paper is jammed"},
    ErrorInfo{ErrorCode::UnknownCarWashCode, "Unknown car wash code"},
    ErrorInfo{ErrorCode::CarWashRecordInvalid, "The car wash request cannot be read"},
    ErrorInfo{ErrorCode::CarWashCodeUsed, "The car wash code has been used and cannot be cancelled"},
    ErrorInfo{ErrorCode::CarWashOutOfOrder, "The car wash is out of order"},
    ErrorInfo{ErrorCode::TankMonitorBusy, "The tank monitor cannot start a report"},
    ErrorInfo{ErrorCode::TankMonitorStartValue, "The tank monitor starts a report only with the value 1"},
    ErrorInfo{ErrorCode::PriceSignRecordInvalid, "The price sign command cannot be read"},
    ErrorInfo{ErrorCode::ImageFileUnreadable, "The image file cannot be read"},
    ErrorInfo{ErrorCode::InternalError, "Internal error"},
};
} // namespace

std::span<const ErrorInfo> errorTable() { return kErrors; }

const char* errorSummary(ErrorCode code)
{
    for (const auto& e : kErrors)
        if (e.code == code)
            return e.summary;
    return "Unknown error";
}

static std::string describe(ErrorCode code, const std::string& detail)
{
    std::string text = errorSummary(code);
    if (!detail.empty())
        text += ": " + detail;
    return text;
}

AutomationError::AutomationError(ErrorCode code, const std::string& detail)
    : AutomationError(static_cast<int>(code), describe(code, detail))
{
}

AutomationError::AutomationError(int number, std::string description)
    : std::runtime_error(description), m_number(number), m_description(std::move(description))
{
}

} // namespace vantrel
