// The price record of a fueling position (the Price member), read whole
// and checked before anything is applied, so that a refused record changes
// nothing: the position, an optional slowdown point, and hose groups of
// Hose, Tier1, Tier2 and an optional Blend line, in that order.
#pragma once

#include "record_parser.h"

#include <optional>
#include <vector>

namespace vantrel::forecourt {

struct PricedHose {
    int hose = 0;        // 1..8
    double tier1 = 0;    // per litre
    double tier2 = 0;    // per litre
    std::optional<int> blend; // 0..100
};

struct PriceRecord {
    int position = 0;
    std::optional<double> slowdownPoint; // hundredths
    std::vector<PricedHose> hoses;       // in the order of the record, each hose once
};

// Reads a parsed price record. A record without any line names no
// position and gives nothing; what cannot be read raises a numbered error.
// A price without a decimal point is in thousandths (1999 is 1.999).
std::optional<PriceRecord> readPriceRecord(const ParsedRecord& record);

} // namespace vantrel::forecourt
