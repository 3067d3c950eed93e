#include "screen_model.h"

namespace vantrel::forecourt {

void ScreenModel::showMessage(std::string_view text) { message = std::string(text); }

std::string ScreenModel::describe() const { return "DisplayLength=" + std::to_string(message.size()); }

} // namespace vantrel::forecourt
