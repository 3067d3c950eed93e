// Hose prices for the current fueling position: the canned price records
// for one to six hoses, the three-hose blend record, and the interactive
// entry of slow-down point, number of hoses and tier prices.
#pragma once

namespace vantrel {
class Session;
}

namespace vantrel::fueling {

// Canned prices for hoses 1..hoses (1 to 6): hose k costs kkkk on both tiers.
void cannedPrices(Session& session, int hoses);
// Canned prices for three hoses with their blend figures.
void price3Blend(Session& session);
// Asks for the slow-down point, the number of hoses and two tiers per hose.
void price(Session& session);

} // namespace vantrel::fueling
