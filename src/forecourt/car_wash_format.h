// Number formats of the car wash controller's key=value lines, shared by
// its request handling and its code and transaction store.
#pragma once

#include "server/records.h"

#include <string>

namespace vantrel::forecourt::carwash {

inline std::string two(int n) { return rec::zeroFilled(n, 2); }
inline std::string five(int n) { return rec::zeroFilled(n, 5); }

} // namespace vantrel::forecourt::carwash
