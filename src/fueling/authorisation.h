// Authorisation and sale control at the current fueling position: the
// canned authorisations, the prompted preset and multi-hose lock, and the
// commands that stop, resume, de-authorise and pay out a sale.
#pragma once

namespace vantrel {
class Session;
}

namespace vantrel::fueling {

// Messages for answers that cannot be used; nothing is sent after them.
inline constexpr const char* kNoData = "You entered no data or pressed cancel";
inline constexpr const char* kBadHose = "You entered an Invald Hose Number";
inline constexpr const char* kBadMop = "You entered an Invald MOP Type";

// Canned authorisation records.
void fillup(Session& session);
void newPreset(Session& session);
void presetMop1(Session& session);
void presetMop2(Session& session);

// Asks for hose, MOP and limit, shows the record, then sends it.
void preset(Session& session);
// Asks for the MOP and locks the canned hose set.
void multiHoseLock(Session& session);

// Bare position commands; InBox shows one blank afterwards.
void deauthorize(Session& session);
void stop(Session& session);
void stopAll(Session& session); // "0": every position
void resume(Session& session);
void payOutSale(Session& session);

} // namespace vantrel::fueling
