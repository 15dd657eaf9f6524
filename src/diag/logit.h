#pragma once

#include <string>

// Writes `message` as an INFO record of the install steps' progress notes.
void logit(const std::string& message);
