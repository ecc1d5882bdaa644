//===- fixed_alloc.cpp - Pools of fixed-size slots ------------------------===//
#include "containers/fixed_alloc.h"

#include "object_model/exceptions.h"
#include "platform/atomic.h"
#include "platform/virtual_memory.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <memory>
#include <new>

namespace FixedAlloc {

namespace {

constexpr size_t kAreaAlignment = 16;
constexpr int kBlocksPerChunk = 64;
/// Slots of one chunk are numbered with int32 links.
constexpr int64_t kMaxSlotsPerChunk = std::numeric_limits<int32_t>::max() / 2;

size_t roundUp(size_t value, size_t step) { return (value + step - 1) / step * step; }

/// Item size rounded to a power of two below 8 and to a multiple of 8 above.
size_t slotStride(int itemSize) {
  size_t size = static_cast<size_t>(std::max(itemSize, 1));
  if (size >= 8)
    return roundUp(size, 8);
  size_t stride = 1;
  while (stride < size)
    stride <<= 1;
  return stride;
}

/// Holds a pool's mutex for one operation, unless the process has only ever
/// run one thread: then nobody can contend and the lock would cost more
/// than handing out a slot.
class PoolLock {
public:
  explicit PoolLock(std::mutex &mutex) : Mutex(mutex), Locked(!vyx::ProcessIsSingleThreaded()) {
    if (Locked)
      Mutex.lock();
  }
  ~PoolLock() {
    if (Locked)
      Mutex.unlock();
  }
  PoolLock(const PoolLock &) = delete;
  PoolLock &operator=(const PoolLock &) = delete;

private:
  std::mutex &Mutex;
  bool Locked;
};

} // namespace

PoolFree::~PoolFree() = default;

/// The record at the start of each chunk's region.
struct PoolManager::Chunk {
  int32_t ItemsPerBlock;
  int32_t Blocks;
  int32_t Used;
  int32_t InitialisedBlocks;
  int32_t FreeHead; ///< -1 when no initialised slot is free
  int32_t *Links;
  unsigned char *ItemArea;
  /// Bytes of the item area that initialised blocks cover: a pointer at
  /// an offset below this may have been handed out.
  size_t InitialisedBytes;
  size_t Stride;
  size_t RegionBytes;
  Chunk *Previous;
  Chunk *Next;

  int32_t slots() const { return Blocks * ItemsPerBlock; }
  /// The order of the chunk index: by slot area address.
  static bool before(const Chunk *a, const Chunk *b) { return a->ItemArea < b->ItemArea; }
  int32_t freeSlots() const { return slots() - Used; }

  /// Links the slots of block k in order onto the (empty) free list.
  void initialiseBlock(int32_t k) {
    int32_t first = k * ItemsPerBlock, last = first + ItemsPerBlock - 1;
    for (int32_t i = first; i < last; ++i)
      Links[i] = i + 1;
    Links[last] = -1;
    FreeHead = first;
    ++InitialisedBlocks;
    InitialisedBytes = static_cast<size_t>(InitialisedBlocks) * ItemsPerBlock * Stride;
  }
};

PoolManager::PoolManager(int itemSize, int a, int b)
    : ItemSize(std::max(itemSize, 1)), BlocksPerChunk(kBlocksPerChunk),
      Stride(slotStride(itemSize)) {
  if ((Stride & (Stride - 1)) == 0)
    StrideShift = std::countr_zero(Stride);
  // Fewer than one item per block (a × b < 256) would make chunks without
  // slots; one slot per block is the least a pool can work with.
  int64_t perBlock = static_cast<int64_t>(a) * b / 256;
  ItemsPerBlock = static_cast<int>(std::clamp<int64_t>(perBlock, 1, kMaxSlotsPerChunk / 64));
}

PoolManager::~PoolManager() { free_all(); }

PoolManager::Chunk *PoolManager::createChunk() {
  // Room in the index first: once a region is taken nothing may throw.
  if (ChunksByAddress.size() == ChunksByAddress.capacity())
    ChunksByAddress.reserve(std::max<size_t>(8, 2 * ChunksByAddress.size()));
  if (Chunk *spare = Spares) {
    Spares = spare->Next;
    SpareBytes -= spare->RegionBytes;
    spare->Next = nullptr;
    spare->Used = 0;
    spare->InitialisedBlocks = 0;
    spare->initialiseBlock(0);
    ChunksByAddress.insert(
        std::upper_bound(ChunksByAddress.begin(), ChunksByAddress.end(), spare, Chunk::before),
        spare);
    return spare;
  }
  size_t header = roundUp(sizeof(Chunk), kAreaAlignment);
  // When the system cannot give a full chunk, try again with half as many
  // blocks until even one block fails.
  for (int blocks = BlocksPerChunk; blocks > 0; blocks /= 2) {
    size_t slots = static_cast<size_t>(blocks) * static_cast<size_t>(ItemsPerBlock);
    size_t links = roundUp(slots * sizeof(int32_t), kAreaAlignment);
    if (slots > (std::numeric_limits<size_t>::max() - header - links) / Stride)
      continue;
    size_t bytes = header + links + slots * Stride;
    void *region = vyx::ReserveRegion(bytes);
    if (!region)
      continue;
    unsigned char *base = static_cast<unsigned char *>(region);
    Chunk *chunk = new (region) Chunk{};
    chunk->ItemsPerBlock = ItemsPerBlock;
    chunk->Blocks = blocks;
    chunk->Stride = Stride;
    chunk->Links = reinterpret_cast<int32_t *>(base + header);
    chunk->ItemArea = base + header + links;
    chunk->RegionBytes = bytes;
    chunk->initialiseBlock(0);
    ChunksByAddress.insert(
        std::upper_bound(ChunksByAddress.begin(), ChunksByAddress.end(), chunk, Chunk::before),
        chunk);
    return chunk;
  }
  throw OutOfMemory_Exception();
}

void PoolManager::forgetChunk(Chunk *chunk) {
  auto found =
      std::lower_bound(ChunksByAddress.begin(), ChunksByAddress.end(), chunk, Chunk::before);
  if (found != ChunksByAddress.end() && *found == chunk)
    ChunksByAddress.erase(found);
  if (LastFreed == chunk)
    LastFreed = nullptr;
}

void PoolManager::retireChunk(Chunk *chunk) {
  if (SpareBytes + chunk->RegionBytes > SpareBudget) {
    releaseChunk(chunk);
    return;
  }
  // Out of the index, so that freeing a stale pointer into it does nothing.
  forgetChunk(chunk);
  chunk->Next = Spares;
  Spares = chunk;
  SpareBytes += chunk->RegionBytes;
}

void PoolManager::releaseChunk(Chunk *chunk) {
  forgetChunk(chunk);
  size_t bytes = chunk->RegionBytes;
  chunk->~Chunk();
  vyx::ReleaseRegion(chunk, bytes);
}

void PoolManager::unlink(Chunk *chunk) {
  if (chunk->Previous)
    chunk->Previous->Next = chunk->Next;
  else
    Head = chunk->Next;
  if (chunk->Next)
    chunk->Next->Previous = chunk->Previous;
  chunk->Previous = chunk->Next = nullptr;
}

void PoolManager::pushFront(Chunk *chunk) {
  chunk->Previous = nullptr;
  chunk->Next = Head;
  if (Head)
    Head->Previous = chunk;
  Head = chunk;
}

void *PoolManager::alloc() {
  PoolLock guard(Lock);
  Chunk *head = Head;
  if (head && head->FreeHead >= 0) [[likely]] {
    int32_t slot = head->FreeHead;
    head->FreeHead = head->Links[slot];
    ++head->Used;
    return head->ItemArea + static_cast<size_t>(slot) * Stride;
  }
  return allocFromNewBlock();
}

void *PoolManager::allocFromNewBlock() {
  if (!Head)
    pushFront(createChunk());
  for (;;) {
    Chunk *head = Head;
    if (head->FreeHead >= 0) {
      int32_t slot = head->FreeHead;
      head->FreeHead = head->Links[slot];
      ++head->Used;
      return head->ItemArea + static_cast<size_t>(slot) * Stride;
    }
    if (head->InitialisedBlocks < head->Blocks) {
      head->initialiseBlock(head->InitialisedBlocks);
      continue;
    }
    // The front chunk is exhausted: bring the first chunk with the most
    // free slots to the front, or a new chunk when every one is full.
    Chunk *best = nullptr;
    for (Chunk *c = head; c; c = c->Next)
      if (c->freeSlots() > 0 && (!best || c->freeSlots() > best->freeSlots()))
        best = c;
    if (best)
      unlink(best);
    else
      best = createChunk();
    pushFront(best);
  }
}

PoolManager::Chunk *PoolManager::chunkOf(uintptr_t address) const {
  // Frees tend to come in runs from one chunk; the index finds the others.
  if (holds(LastFreed, address))
    return LastFreed;
  auto found = std::upper_bound(
      ChunksByAddress.begin(), ChunksByAddress.end(), address,
      [](uintptr_t a, const Chunk *c) { return a < reinterpret_cast<uintptr_t>(c->ItemArea); });
  if (found == ChunksByAddress.begin() || !holds(*(found - 1), address))
    return nullptr;
  return LastFreed = *(found - 1);
}

bool PoolManager::holds(const Chunk *chunk, uintptr_t address) {
  // Only slots of initialised blocks were ever handed out.
  return chunk && address - reinterpret_cast<uintptr_t>(chunk->ItemArea) < chunk->InitialisedBytes;
}

void PoolManager::free(void *p) {
  if (!p)
    return;
  PoolLock guard(Lock);
  auto address = reinterpret_cast<uintptr_t>(p);
  // Most frees return a slot of the front chunk.
  Chunk *chunk = Head;
  if (!holds(chunk, address)) {
    chunk = chunkOf(address);
    if (!chunk)
      return;
  }
  size_t offset = address - reinterpret_cast<uintptr_t>(chunk->ItemArea);
  // A shift for the usual power-of-two strides: a division costs more than
  // the rest of free.
  size_t index = StrideShift >= 0 ? offset >> StrideShift : offset / Stride;
  if (index * Stride != offset || chunk->Used == 0)
    return; // not at the start of a slot, or nothing to free
  auto slot = static_cast<int32_t>(index);
  chunk->Links[slot] = chunk->FreeHead;
  chunk->FreeHead = slot;
  // An emptied chunk becomes a spare (or goes back to the system), except
  // the front chunk: a program that allocates and frees one object at a
  // time keeps using it.
  if (--chunk->Used == 0 && chunk != Head) {
    unlink(chunk);
    retireChunk(chunk);
  }
}

void PoolManager::free_all() {
  PoolLock guard(Lock);
  while (Head) {
    Chunk *chunk = Head;
    unlink(chunk);
    releaseChunk(chunk);
  }
  while (Chunk *spare = Spares) {
    Spares = spare->Next;
    releaseChunk(spare);
  }
  SpareBytes = 0;
}

PoolFree *PoolManager::buildPool(int a, int b) { return new PoolManager(ItemSize, a, b); }

std::vector<PoolManager::ChunkInfo> PoolManager::getChunks() const {
  PoolLock guard(Lock);
  std::vector<ChunkInfo> chunks;
  for (const Chunk *c = Head; c; c = c->Next)
    chunks.push_back({c->ItemArea, c->slots(), c->Used});
  return chunks;
}

size_t PoolManager::getSpareBytes() const {
  PoolLock guard(Lock);
  return SpareBytes;
}

// PoolManagerRegistry -------------------------------------------------------

constinit PoolManagerRegistry templatePMR;

void PoolManagerRegistry::RegisterPoolManager(PoolFree *pool, int size) {
  if (HasPoolManagerOfSize(size))
    return;
  Sizes.push_back(size);
  Pools.push_back(pool);
}

PoolFree *PoolManagerRegistry::PoolManagerOfSize(int size) const {
  auto found = std::find(Sizes.begin(), Sizes.end(), size);
  return found == Sizes.end() ? nullptr : Pools[static_cast<size_t>(found - Sizes.begin())];
}

bool PoolManagerRegistry::HasPoolManagerOfSize(int size) const {
  return std::find(Sizes.begin(), Sizes.end(), size) != Sizes.end();
}

namespace {
PoolFree *poolFor(const PoolManagerRegistry &registry, unsigned int size) {
  if (size > static_cast<unsigned>(std::numeric_limits<int>::max()))
    return nullptr;
  return registry.PoolManagerOfSize(static_cast<int>(size));
}
} // namespace

void *PoolManagerRegistry::alloc(unsigned int size) {
  PoolFree *pool = poolFor(*this, size);
  return pool ? pool->alloc() : ::operator new(size);
}

void PoolManagerRegistry::free(unsigned int size, void *p) {
  PoolFree *pool = poolFor(*this, size);
  if (pool)
    pool->free(p);
  else
    ::operator delete(p);
}

void PoolManagerRegistry::FreeAllItems() {
  for (PoolFree *pool : Pools)
    pool->free_all();
}

void PoolManagerRegistry::FreeAllItemsOfSize(int size) {
  if (PoolFree *pool = PoolManagerOfSize(size))
    pool->free_all();
}

PoolManagerRegistry *PoolManagerRegistry::buildPoolManagerRegistry(int a, int b) {
  auto registry = std::make_unique<PoolManagerRegistry>();
  for (size_t i = 0; i < templatePMR.Sizes.size(); ++i)
    registry->RegisterPoolManager(templatePMR.Pools[i]->buildPool(a, b), templatePMR.Sizes[i]);
  return registry.release();
}

PoolManagerRegistrar::PoolManagerRegistrar(PoolFree *pool, int size) {
  templatePMR.RegisterPoolManager(pool, size);
}

bool Enabler::m_is_enabled = true;

} // namespace FixedAlloc
