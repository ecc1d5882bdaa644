//===- fixed_alloc.h - Pools of fixed-size slots ----------------*- C++ -*-===//
//
// The FixedAlloc family serves applications that create and destroy very
// many small objects of a few sizes:
//   - PoolManager hands out slots of one item size from large chunks of
//     virtual memory, with no header per slot; a chunk whose last slot is
//     freed is kept as a spare for the next chunk the pool needs while the
//     spares fit in SpareBudget bytes, and goes back to the system beyond;
//   - PoolManagerRegistry maps item sizes to pools and falls back to the
//     ordinary allocator for other sizes;
//   - PoolManagerRegistrar objects fill the process-wide template registry
//     templatePMR, from which buildPoolManagerRegistry makes fresh
//     registries with new pools of the same sizes;
//   - Enabler is a process-wide switch for users of the pools.
//
// A chunk holds `blocks` blocks of `items per block` slots (64 blocks unless
// memory is short). Its memory is one region: the chunk record, the link
// array (one int32 per slot: the next free slot, -1 at the end), then the
// slots. The slot area is 16-byte aligned and the slot stride is the item
// size rounded up to a power of two below 8 bytes and to a multiple of 8
// above, so objects of 8 and 16 bytes are always naturally aligned.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_CONTAINERS_FIXED_ALLOC_H
#define VYX_CONTAINERS_FIXED_ALLOC_H

#include "vyx_base_export.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

/// Marks the private members of the pools: not exported, so the pool's own
/// calls bind to them directly (and inline) instead of through the exported
/// symbols.
#if defined(_WIN32)
#define VYX_POOL_INTERNAL
#else
#define VYX_POOL_INTERNAL __attribute__((visibility("hidden")))
#endif

namespace FixedAlloc {

/// A pool of slots of one size.
class VYX_BASE_API PoolFree {
public:
  virtual ~PoolFree();
  /// Releases every slot at once.
  virtual void free_all() = 0;
  /// One slot; never null (failure throws).
  virtual void *alloc() = 0;
  /// Gives a slot back; a pointer the pool did not hand out is ignored.
  virtual void free(void *p) = 0;
  /// A new, empty pool of the same item size built with arguments (a, b);
  /// the caller owns it.
  virtual PoolFree *buildPool(int a, int b) = 0;
};

/// Raised inside PoolManager::alloc when the front chunk is exhausted; it
/// never leaves alloc.
class VYX_BASE_API EPoolBadAlloc {};

/// A pool of slots of one item size, safe to share between threads.
class VYX_BASE_API PoolManager : public PoolFree {
public:
  /// A pool of `itemSize`-byte slots, a × b / 256 slots per block (at least
  /// 1), 64 blocks per chunk. No chunk is made before the first alloc.
  PoolManager(int itemSize, int a, int b);
  ~PoolManager() override;
  PoolManager(const PoolManager &) = delete;
  PoolManager &operator=(const PoolManager &) = delete;

  void free_all() override;
  /// Throws OutOfMemory_Exception when the system has no memory left even
  /// for a chunk of one block; the existing chunks are kept.
  void *alloc() override;
  /// Ignores null, pointers of no chunk of this pool and pointers that are
  /// not at the start of a slot. Freeing a slot twice is not detected.
  void free(void *p) override;
  PoolFree *buildPool(int a, int b) override;

  int getItemSize() const { return ItemSize; }
  int getItemsPerBlock() const { return ItemsPerBlock; }
  int getBlocksPerChunk() const { return BlocksPerChunk; }
  /// Distance in bytes between two neighbouring slots.
  size_t getSlotStride() const { return Stride; }

  /// What a chunk looks like, for diagnostics.
  struct ChunkInfo {
    const void *ItemArea;
    long Slots; ///< blocks × items per block
    long Used;
  };
  /// The chunks from the front of the list to its end (spares are not in
  /// the list).
  std::vector<ChunkInfo> getChunks() const;

  /// Emptied chunks are kept for reuse while their regions come to at most
  /// this many bytes in all: a program that frees a whole batch of objects
  /// and allocates the next batch does not map and fault in its chunks
  /// again, and a pool never holds more than this in unused chunks.
  /// free_all and the destructor release the spares as well.
  static constexpr size_t SpareBudget = size_t(4) << 20;
  /// Bytes held in spare chunks.
  size_t getSpareBytes() const;

private:
  struct Chunk;

  /// A spare chunk made ready for use, or a new one from the system.
  VYX_POOL_INTERNAL Chunk *createChunk();
  /// Keeps an emptied chunk (already unlinked) as a spare, or releases it
  /// when it does not fit in the budget.
  VYX_POOL_INTERNAL void retireChunk(Chunk *chunk);
  /// Takes a chunk out of the address index.
  VYX_POOL_INTERNAL void forgetChunk(Chunk *chunk);
  VYX_POOL_INTERNAL void releaseChunk(Chunk *chunk);
  VYX_POOL_INTERNAL void unlink(Chunk *chunk);
  VYX_POOL_INTERNAL void pushFront(Chunk *chunk);
  /// alloc when the front chunk has no free slot ready.
  VYX_POOL_INTERNAL void *allocFromNewBlock();
  /// The chunk whose initialised blocks hold `address`, or null.
  VYX_POOL_INTERNAL Chunk *chunkOf(uintptr_t address) const;
  VYX_POOL_INTERNAL static bool holds(const Chunk *chunk, uintptr_t address);

  Chunk *Head = nullptr;
  mutable std::mutex Lock;
  int ItemSize;
  int ItemsPerBlock;
  int BlocksPerChunk = 64;
  size_t Stride;
  /// log2 of the stride when it is a power of two, else -1.
  int StrideShift = -1;
  /// Every chunk, ordered by the address of its slot area, so that free
  /// finds the owner by binary search.
  std::vector<Chunk *> ChunksByAddress;
  /// The chunk of the latest free: frees tend to come in runs.
  mutable Chunk *LastFreed = nullptr;
  /// Emptied chunks kept for reuse (linked through Next) and their bytes.
  Chunk *Spares = nullptr;
  size_t SpareBytes = 0;
};

/// Maps item sizes to pools (not owned); other sizes use operator new.
class VYX_BASE_API PoolManagerRegistry {
public:
  constexpr PoolManagerRegistry() = default;
  PoolManagerRegistry(const PoolManagerRegistry &other) = default;
  PoolManagerRegistry &operator=(const PoolManagerRegistry &other) = default;
  /// The pools are not deleted.
  ~PoolManagerRegistry() = default;

  /// Appends (size, pool) unless a pool of that size is registered.
  void RegisterPoolManager(PoolFree *pool, int size);
  bool HasPoolManagerOfSize(int size) const;
  /// The pool of that size, null when none is registered.
  PoolFree *PoolManagerOfSize(int size) const;
  /// The pool of that size allocates; without one, operator new(size).
  void *alloc(unsigned int size);
  /// The pool of that size frees; without one, operator delete(p).
  void free(unsigned int size, void *p);
  void FreeAllItems();
  void FreeAllItemsOfSize(int size);
  long getCount() const { return static_cast<long>(Sizes.size()); }

  /// A new registry (caller owns) with, for each (size, pool) of
  /// templatePMR in order, (size, pool->buildPool(a, b)). The caller owns
  /// the new pools as well.
  static PoolManagerRegistry *buildPoolManagerRegistry(int a, int b);

private:
  std::vector<int> Sizes;
  std::vector<PoolFree *> Pools;
};

/// The process-wide template registry. It is constant-initialised, so
/// registrars of any module may use it from their static initialisers.
extern VYX_BASE_API PoolManagerRegistry templatePMR;

/// Registers a pool in templatePMR when constructed.
class VYX_BASE_API PoolManagerRegistrar {
public:
  PoolManagerRegistrar(PoolFree *pool, int size);
};

/// A process-wide switch for users of the pools (initially on).
class VYX_BASE_API Enabler {
public:
  static bool On() { return m_is_enabled; }
  static void Set(bool enabled) { m_is_enabled = enabled; }
  static bool m_is_enabled;
};

} // namespace FixedAlloc

#endif // VYX_CONTAINERS_FIXED_ALLOC_H
