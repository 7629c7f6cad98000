// Keccak-f[1600] for processors with BMI1 and BMI2: ANDN forms chi's ~b & c
// in one instruction, so the lanes need no complementing, and RORX rotates
// into a new register, which spares the copies before each rotation. Only
// CodePaths.cpp calls it.
#include "algorithms/KeccakPermutation.h"
#include "algorithms/PathFunctions.h"

namespace vesk {

[[gnu::target("bmi,bmi2")]] void KeccakF1600Bmi2(uint64_t* state) {
    KeccakPermute<false>(state);
}

} // namespace vesk
