//===- vyx_base.h - Every public header of VYX_BASE -------------*- C++ -*-===//
//
// Compile with -I <base folder> (or the installed include/vyx folder) and
// include this header to use the whole library.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_BASE_H
#define VYX_BASE_H

#include "vyx_base_export.h"

#include "platform/atomic.h"
#include "platform/clock.h"
#include "platform/directory.h"
#include "platform/dynamic_loader.h"
#include "platform/file_handle.h"
#include "platform/module_handle.h"
#include "platform/process_info.h"
#include "platform/sync.h"
#include "platform/system_error.h"
#include "platform/thread_storage.h"
#include "platform/virtual_memory.h"

#include "strings/ascii.h"
#include "strings/gstring.h"
#include "strings/locale_switch.h"
#include "strings/regular_expression.h"
#include "strings/text_buffer.h"
#include "strings/text_conversion.h"

#include "object_model/callbacks.h"
#include "object_model/class_dictionary.h"
#include "object_model/class_id.h"
#include "object_model/exceptions.h"
#include "object_model/gobject.h"
#include "object_model/locks.h"
#include "object_model/log.h"
#include "object_model/metaclass.h"
#include "object_model/metadata.h"
#include "object_model/rtti_object.h"
#include "object_model/suspended_destruction.h"
#include "object_model/type_info.h"
#include "object_model/void_ptr_sorted_array.h"

#include "containers/bit_set.h"
#include "containers/collection.h"
#include "containers/fixed_alloc.h"
#include "containers/matrix_base.h"
#include "containers/msort.h"
#include "containers/point_rect.h"
#include "containers/sorted_collection.h"
#include "containers/tgcollection.h"
#include "containers/tgvector.h"

#include "pstreams/compressed_pstream.h"
#include "pstreams/file_pstream.h"
#include "pstreams/memory_pstream.h"
#include "pstreams/pstream.h"
#include "pstreams/pstream_tracer.h"
#include "pstreams/streamable.h"

#include "config/initialization_file.h"
#include "config/text_file.h"
#include "config/units.h"

#include "resources/memory_crc.h"
#include "resources/redirection.h"
#include "resources/resource_collection.h"
#include "resources/resource_directory.h"
#include "resources/resource_file.h"
#include "resources/resource_file_server.h"
#include "resources/resource_full_name.h"
#include "resources/resource_iterator.h"
#include "resources/resource_notice.h"
#include "resources/resource_path.h"
#include "resources/resource_server_registry.h"

#include "io/bit_io.h"
#include "io/buffered_io.h"
#include "io/dynamic_link_library.h"
#include "io/file_find.h"
#include "io/file_io.h"
#include "io/file_system.h"
#include "io/flate_io.h"
#include "io/gfile.h"
#include "io/gio.h"
#include "io/huffman_io.h"
#include "io/memory_io.h"
#include "io/native_path.h"

#endif // VYX_BASE_H
