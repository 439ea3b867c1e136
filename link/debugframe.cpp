#include "link/debugframe.h"

namespace tessel {

DebugFrameAssembler::Outcome DebugFrameAssembler::feed(const Report&, int, int, DebugSample*) {
    return Outcome::None;  // frame decoding is added together with the debug page's protocol
}

void DebugFrameAssembler::reset() { expectedSegment_ = 0; }

}  // namespace tessel
