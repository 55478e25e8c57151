// The statuses and the error number that the operating-system layer and the
// environment layer share; the environment's header needs no more of the
// operating-system layer than this.
#pragma once

namespace velmorad {

inline constexpr int kStatusOk = 0;
inline constexpr int kStatusNoMemory = -2;
inline constexpr int kStatusNoPasswdEntry = -3;
inline constexpr int kStatusTooLong = -4;  // also "nothing to build" for gbldpath
inline constexpr int kStatusUnknownVariable = -5;
inline constexpr int kStatusNullArgument = -7;

// Error number of this layer and of the environment look-up.
extern int gerrno;

}  // namespace velmorad
