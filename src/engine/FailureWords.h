#pragma once

#include "FetchFailure.h"

#include <string>

namespace korvane {

// Why a fetch failed, in the seller's words (UTF-8): the one wording of the
// status line and of the publisher's pages shown without a web engine.
std::string FailureWords(const TFetchFailure& failure);

} // namespace korvane
