// The customer's side of the simulated site: what a person at the pump, the
// reader terminal or the wash bay does. Each action changes the same state
// the server members read, so the queue and information reads show it, and
// tells the server's listeners. An action the device cannot take (a card at
// a reader whose chip reader is off, a letter on a numeric entry) throws
// CustomerError and changes nothing.
#pragma once

#include "server/ascii_text.h"

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantrel::forecourt {

class ForecourtServer;

class CustomerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The magnetic stripe test cards, numbered from 1; their numbers pass the
// Luhn check. Card kChipCard is the chip card of the chip reader.
struct TestCard {
    const char* type;
    const char* pan;
    const char* expiry; // YYMM
};
std::span<const TestCard> testCards();
inline constexpr int kChipCard = 0;
using vantrel::luhnValid;

// The function keys of the reader keypads, as the key queue names them.
std::span<const char* const> functionKeys();

void liftNozzle(ForecourtServer& server, int position);
void hangNozzle(ForecourtServer& server, int position);
// Swipes test card `card` (1..) or inserts the chip card (kChipCard).
void insertCard(ForecourtServer& server, int position, int card);
// Keys digits and letters, or one function key by name. A key entry request
// waiting at the reader is answered by them as its mode allows; without one
// the keys go to the key queue as they are.
void pressKeys(ForecourtServer& server, int position, std::string_view keys);
// A bank note or coins: an amount such as "20" or "5.50".
void insertCash(ForecourtServer& server, int position, std::string_view amount);
// Enters a wash code at the bay: `code`, or the first unused one. Returns the code.
std::string enterWashCode(ForecourtServer& server, std::string_view code = {});

// The text form of an action, as scripts and the bus carry it, read by
// parseCustomerCommand (customer_command.h):
//   nozzle P lift|hang     card P [N|chip]     key P KEYS
//   cash P AMOUNT          wash [CODE]
// Returns a short account of what was done. An action longer than
// kLongestCustomerAction (site_bounds.h) is refused before it is read.
std::string actAsCustomer(ForecourtServer& server, std::string_view action);

} // namespace vantrel::forecourt
