// The simulated site's state on the wire: a forecourt::SiteState as one
// JSON object, for Vantrel.Simulator.ReadSite and the board that reads it.
// Every byte of a record, display message or receipt travels as the
// character of the same code (0..255), so nothing is cut or recoded, and
// decoding what was encoded gives back an equal state.
//
//   SiteState -> encodeSiteState -> JSON text (UTF-8) -> bus -> decodeSiteState -> SiteState
#pragma once

#include "forecourt/site_state.h"

#include <QByteArray>

#include <optional>
#include <string>

namespace vantrel::dbus {

// The format number a reader checks; a change that old readers cannot take raises it.
inline constexpr int kSiteStateFormat = 1;

QByteArray encodeSiteState(const forecourt::SiteState& state);

// The state, or nullopt with the reason in `error` ("reader.queues[2].entries:
// not a list"). A field that is missing keeps its default, so a newer writer
// that adds fields is still read.
std::optional<forecourt::SiteState> decodeSiteState(const QByteArray& json, std::string& error);

} // namespace vantrel::dbus
