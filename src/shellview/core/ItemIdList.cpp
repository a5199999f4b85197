#include "shellview/core/ItemIdList.h"

#include <cstring>

namespace marlisk::shell {

namespace {

// The count of the item at `item`; counts are unaligned little-endian 16-bit values.
size_t itemSize(const uint8_t* item) {
  const size_t count = static_cast<size_t>(item[0]) | (static_cast<size_t>(item[1]) << 8);
  return count < 2 ? 0 : count;
}

// Bytes of the items without the terminator.
size_t itemsSize(const uint8_t* list) {
  size_t total = 0;
  for (size_t count; (count = itemSize(list + total)) != 0;) total += count;
  return total;
}

// A new list of `sizeA` bytes of items from `a`, then `sizeB` from `b`, then a terminator.
uint8_t* makeList(const uint8_t* a, size_t sizeA, IdAllocator& allocator, const uint8_t* b = nullptr,
                  size_t sizeB = 0) {
  auto* list = static_cast<uint8_t*>(allocator.allocate(sizeA + sizeB + 2));
  if (!list) return nullptr;
  if (sizeA > 0) std::memcpy(list, a, sizeA);
  if (sizeB > 0) std::memcpy(list + sizeA, b, sizeB);
  list[sizeA + sizeB] = list[sizeA + sizeB + 1] = 0;
  return list;
}

}  // namespace

size_t IDListSize(const uint8_t* list) { return list ? itemsSize(list) + 2 : 0; }

uint8_t* CopyFirstID(const uint8_t* list, IdAllocator& allocator) {
  return list ? makeList(list, itemSize(list), allocator) : nullptr;
}

uint8_t* ConcatIDs(const uint8_t* a, const uint8_t* b, IdAllocator& allocator) {
  return makeList(a, a ? itemsSize(a) : 0, allocator, b, b ? itemsSize(b) : 0);
}

uint8_t* ConcatIDsFree(uint8_t* a, uint8_t* b, IdAllocator& allocator) {
  uint8_t* list = ConcatIDs(a, b, allocator);
  allocator.release(a);
  allocator.release(b);
  return list;
}

const uint8_t* NextID(const uint8_t* list) {
  if (!list) return nullptr;
  const size_t first = itemSize(list);
  if (first == 0) return nullptr;
  const uint8_t* next = list + first;
  return itemSize(next) == 0 ? nullptr : next;
}

uint8_t* ParentIDs(const uint8_t* list, IdAllocator& allocator) {
  if (!list) return nullptr;
  size_t last = 0;  // offset of the last item
  for (size_t at = 0, count; (count = itemSize(list + at)) != 0; at += count) last = at;
  return makeList(list, last, allocator);
}

uint8_t* LastID(const uint8_t* list, IdAllocator& allocator) {
  if (!list) return nullptr;
  size_t last = 0, lastSize = 0;
  for (size_t at = 0, count; (count = itemSize(list + at)) != 0; at += count) {
    last = at;
    lastSize = count;
  }
  return makeList(list + last, lastSize, allocator);
}

}  // namespace marlisk::shell
