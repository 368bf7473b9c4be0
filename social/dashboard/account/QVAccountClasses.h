// The approval and account screens' registrations.
#pragma once

namespace quorvel {

// Registers every approval and account screen again under its own name
// (replacing whatever a test put there).
void QVRegisterAccountClasses();

} // namespace quorvel
