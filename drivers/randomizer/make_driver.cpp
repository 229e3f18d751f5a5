// The driver the shipped component makes.
#include "randomizer.h"

namespace vodex::randomizer {

std::shared_ptr<cls_Randomizer> MakeDriver() {
    return cls_Randomizer::Create();
}

}  // namespace vodex::randomizer
