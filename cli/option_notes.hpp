// The line on standard error for an argument the run goes on without.
#pragma once

#include <string>

namespace ostrel {

// "ostrel: ARGUMENT ignored", and why or the nearest option where one is close.
std::string ignored_note(const char* argument);

}  // namespace ostrel
