//===- resource_tree_impl.h - Reading the directory tree safely -*- C++ -*-===//
//
// A directory section is a tree: every directory, subdirectory list and item
// collection in it is owned by exactly one parent. The pstream format could
// still name an object twice (a back-reference), which would give it two
// owners, or make a directory its own ancestor. The readers therefore stamp
// every node when its read starts, from a per-thread counter, and accept a
// pointer only when the node it yields started its read during that very
// pointer read, i.e. was built from the data just now.
//
// Collections read from a file may also be out of order or hold equal keys
// (a damaged file, or names whose conversion on reading changed their
// order): they are sorted again and later duplicates dropped.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_RESOURCES_RESOURCE_TREE_IMPL_H
#define VYX_RESOURCES_RESOURCE_TREE_IMPL_H

#include "containers/sorted_collection.h"
#include "pstreams/pstream.h"

#include <cstdint>

namespace vyx::detail {

/// Access to the read stamps of the tree's nodes.
struct ResourceTreeAccess {
  /// The stamp of the last node whose read started on this thread.
  static uint64_t now();
  /// Stamps a node whose read starts now.
  template <class Node> static void stamp(Node &node) { node.ReadSerial = next(); }

  /// Reads a pointer to a node that the reader will own: null, or a node
  /// built from the data just read. A back-reference to a node read before
  /// is a read failure (NonZeroPStreamState_Exception); so is any failure
  /// of the stream, after which nothing read stays alive.
  template <class Node> static Node *readOwned(ipstream &is) {
    uint64_t before = now();
    Node *node = nullptr;
    is >> node;
    if (!node) {
      vyx::ReadCheck(is);
      return nullptr;
    }
    if (node->ReadSerial <= before) // a node that has an owner already
      vyx::ReadCheck(is, false);
    if (!is.good()) {
      GStreamable::Destroy(node);
      vyx::ReadCheck(is);
    }
    return node;
  }

private:
  static uint64_t next();
};

/// Puts the items of a collection just read (which owns them) into key order
/// and frees every item whose key equals that of an item before it.
void RestoreKeyOrder(GSortedCollection &collection);

/// Runs `body`, the read of a collection, and makes the collection own
/// what it read, in key order and without duplicates; a failed read frees
/// the items read so far (built by this read alone) before rethrowing.
template <class Body> void ReadOwningCollection(GSortedCollection &collection, Body body) {
  try {
    body();
  } catch (...) {
    collection.ownsItems(1);
    collection.free_all();
    throw;
  }
  collection.ownsItems(1);
  collection.duplicates(0);
  RestoreKeyOrder(collection);
}

/// The end of a section of `size` bytes at `position` fits in a stored
/// 32-bit position.
inline bool FitsStoredRange(int64_t position, int64_t size) {
  return position >= 0 && size >= 0 && position + size <= INT32_MAX;
}

} // namespace vyx::detail

#endif // VYX_RESOURCES_RESOURCE_TREE_IMPL_H
