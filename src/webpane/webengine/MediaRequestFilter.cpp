#include "MediaRequestFilter.h"

namespace korvane {

void TMediaRequestFilter::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (!MediaAllowed && info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMedia)
        info.block(true);
}

} // namespace korvane
