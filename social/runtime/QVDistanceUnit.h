// QVDistanceUnit: the player's choice about location, kept as a number in the
// user defaults ("QuorvelUserOptionDistanceUnit") and sent by the bootstrap.
// An unknown stored number compares unequal to every named value.
#pragma once

namespace quorvel {

enum class QVDistanceUnit {
    // The location may be used; no fix of the player's yet.
    Undecided = 0,
    // The location is not to be used (access denied, the player switched it off, a failed upload).
    LocationOff = 1,
    // The player shares the location: the first fix of the player's life, or the server says so.
    LocationShared = 2,
};

} // namespace quorvel
