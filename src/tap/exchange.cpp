#include "exchange.h"

namespace vantrel::tap {

const char* stateName(ExchangeState state)
{
    switch (state) {
    case ExchangeState::Waiting: return "waiting";
    case ExchangeState::Answered: return "ok";
    case ExchangeState::Failed: return "error";
    case ExchangeState::NoReplyExpected: return "no reply expected";
    case ExchangeState::ReplyLost: return "reply lost";
    case ExchangeState::ClientGone: return "client went away";
    }
    return "waiting";
}

CallEvent toCallEvent(const Exchange& e, std::int64_t startUsec, const std::string& clientLabel)
{
    CallEvent event{e.access, e.member, e.argument, e.result};
    event.atMs = e.callUsec > startUsec ? (e.callUsec - startUsec) / 1000 : 0;
    event.durationMs = e.durationUsec() / 1000;
    event.client = clientLabel.empty() ? e.client : clientLabel;
    return event;
}

} // namespace vantrel::tap
