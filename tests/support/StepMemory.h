// What one step of a test costs in resident memory at its highest, whatever
// the tests before it in the same process took: the memory the allocator
// holds free is handed back to the system first (else the step could reuse it
// unseen), and the process's high-water mark is reset to what it holds now.
#pragma once

namespace testing_support {

class StepMemory {
public:
    // Starts measuring.
    StepMemory();
    // MiB above the start at the highest point since then.
    long peakGrowthMiB() const;
    // False where the system cannot reset the high-water mark, and under
    // AddressSanitizer (whose allocator makes a step's growth no measure of
    // its cost): the growth is then counted above the process's earlier peak
    // and may read low.
    bool isolated() const { return isolated_; }

private:
    long startKiB_ { 0 };
    bool isolated_ { false };
};

} // namespace testing_support
