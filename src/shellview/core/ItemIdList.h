// Item-identifier lists, the shell's names for things: a run of items, each starting with its
// 16-bit byte count (the count included), ended by a zero count. Here they are plain bytes, so
// the rules are tested natively; the Win32 layer hands in the shell's allocator.
//
// Ownership: every function that returns a uint8_t* returns a new list the caller owns and
// must give back to the same allocator; NextID alone points into the list it was given.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marlisk::shell {

class IdAllocator {
 public:
  virtual ~IdAllocator() = default;
  virtual void* allocate(size_t bytes) = 0;  // zero-filled; null when out of memory
  virtual void release(void* block) = 0;     // null is allowed
};

// Bytes of the list with its terminator; 0 for null. A count below 2 (a damaged list) ends it.
size_t IDListSize(const uint8_t* list);
// The first item with a terminator: an empty list gives an empty list, null gives null.
uint8_t* CopyFirstID(const uint8_t* list, IdAllocator& allocator);
// `a` without its terminator followed by `b`; either may be null (both: an empty list).
uint8_t* ConcatIDs(const uint8_t* a, const uint8_t* b, IdAllocator& allocator);
// The same, then both inputs are released.
uint8_t* ConcatIDsFree(uint8_t* a, uint8_t* b, IdAllocator& allocator);
// The item after the first, inside `list`; null when the first is the last, or the list is
// empty or null.
const uint8_t* NextID(const uint8_t* list);
// All items but the last (an empty list for a list of one item or none); null for null.
uint8_t* ParentIDs(const uint8_t* list, IdAllocator& allocator);
// The last item alone (an empty list for an empty list); null for null.
uint8_t* LastID(const uint8_t* list, IdAllocator& allocator);

}  // namespace marlisk::shell
