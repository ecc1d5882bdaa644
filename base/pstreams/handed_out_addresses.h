//===- handed_out_addresses.h - Addresses memory pstreams wrote -*- C++ -*-===//
//
// The process-wide set of object addresses that an ompstream wrote with
// marker 3. A reader accepts such an address only when it is in the set;
// a streamable leaves the set when it is destroyed.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_PSTREAMS_HANDED_OUT_ADDRESSES_H
#define VYX_PSTREAMS_HANDED_OUT_ADDRESSES_H

class GStreamable;

namespace vyx::detail {

void RememberHandedOutAddress(const GStreamable *object);
bool IsHandedOutAddress(const GStreamable *object);

} // namespace vyx::detail

#endif // VYX_PSTREAMS_HANDED_OUT_ADDRESSES_H
