// The tapped conversation as a session script of raw call lines (the
// script reader's put, get and call; session/raw_call.h writes each line),
// so that the utility can make the same calls again and check the answers:
//
//   put Authorize string FuelingPosition=07\r\n...      a put as it was sent
//   get DispenserInformation int16 7                    a get ...
//   expect result is Dispenser=7\r\n...                 ... and the answer it got
//   expect error 1003                                   before a call that failed
//   call ClearTopCardQue                                a call that asked for no reply
//
// The lines come one exchange at a time, so a long tap is written as it
// goes. What the server answered is masked as a saved session masks it: an
// answer that holds card data is checked only up to where the card data
// begins ("expect result contains"), with what was sent so far known to the
// masker; a long answer by its last bytes. What the clients sent stays as
// sent, since the replay must send it again.
#pragma once

#include "exchange.h"

#include "journal/card_mask.h"

#include <string>

namespace vantrel::tap {

class TapScript {
public:
    // `masked` false: the answers as they came (a lab's unmasked run).
    explicit TapScript(bool masked = true) : m_masked(masked) {}

    // The lines of one exchange, each ending in a line feed.
    std::string lines(const Exchange& exchange);
    // An exchange left out of the script: what its client sent still tells
    // the masking what later answers hold (keys after a PIN entry was asked for).
    void note(const Exchange& exchange);
    // True once a value a client sent holds what looks like card data.
    bool sentCardData() const { return m_sentCardData; }

private:
    std::string expectResult(const std::string& text, bool whole) const;

    bool m_masked;
    journal::CardMasker m_masker;
    bool m_sentCardData = false;
};

} // namespace vantrel::tap
