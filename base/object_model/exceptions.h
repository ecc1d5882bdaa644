//===- exceptions.h - The library's exception tree --------------*- C++ -*-===//
//
// Every failure VYX reports is an exception of the tree rooted at
// GException. Library exceptions carry a message built from a numbered text
// of VYX_BASE's message table and printf-style arguments. The tree has no
// virtual operation but the destructor, and does not derive from
// std::exception: callers catch these classes by reference.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_EXCEPTIONS_H
#define VYX_OBJECT_MODEL_EXCEPTIONS_H

#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <cstdint>
#include <iosfwd>

class type_info;
class GMetaClass;

/// Root of the exception tree.
class VYX_BASE_API GException {
public:
  GException() = default;
  GException(const GException &) = default;
  GException &operator=(const GException &) = default;
  virtual ~GException();
};

/// Thrown when a type identity is asked of a null object.
class VYX_BASE_API bad_typeid : public GException {};

/// Thrown by a checked cast that found no such base (see
/// check_ptr_for_typesafe_cast_).
class VYX_BASE_API bad_cast : public GException {};

/// An exception that carries a message text.
class VYX_BASE_API GLibraryException : public GException {
public:
  GLibraryException(const char *text = nullptr);
  /// The message is text `id`, loaded through GString::loadString(id).
  GLibraryException(unsigned id);

  /// Replace the message by the printf-style expansion of `format`.
  void message(const char *format, ...);
  /// Replace the message by the expansion of message text `id`.
  void message(unsigned id, ...);
  const GString &getMessage() const { return Message; }

protected:
  GString Message;
};

class VYX_BASE_API OutOfMemory_Exception : public GLibraryException {
public:
  OutOfMemory_Exception();
};

class VYX_BASE_API GCollection_IndexOutOfRange_Exception : public GLibraryException {
public:
  GCollection_IndexOutOfRange_Exception(long index, long low, long high);
  long getIndex() const { return Index; }
  long getLow() const { return Low; }
  long getHigh() const { return High; }

private:
  long Index, Low, High;
};

class VYX_BASE_API DuplicatedTypes_Exception : public GLibraryException {
public:
  /// Keeps its own copy of `name`: the caller's text may be gone while the
  /// exception unwinds.
  explicit DuplicatedTypes_Exception(const char *name);
  const char *getClassName() const { return Name.c_str(); }

private:
  GString Name;
};

class VYX_BASE_API TGVector_IndexOutOfRange_Exception : public GLibraryException {
public:
  TGVector_IndexOutOfRange_Exception(long index, long low, long high);
};

/// A failed check or precondition: "<kind> failure: '<expr>'\non line N in
/// file '<file>'".
class VYX_BASE_API GDiagException : public GLibraryException {
public:
  GDiagException(const char *kind, const char *expression, const char *file, unsigned line);
};

class VYX_BASE_API GCheckException : public GDiagException {
public:
  GCheckException(const char *expression, const char *file, unsigned line);
};

class VYX_BASE_API GPreconditionException : public GDiagException {
public:
  GPreconditionException(const char *expression, const char *file, unsigned line);
};

/// Root of the failures of persistent streams.
class VYX_BASE_API InvalidPStream_Exception : public GLibraryException {
public:
  InvalidPStream_Exception(const char *text = nullptr);
  InvalidPStream_Exception(unsigned id);
};

class VYX_BASE_API NonZeroPStreamState_Exception : public InvalidPStream_Exception {
public:
  explicit NonZeroPStreamState_Exception(int state);
  int getState() const { return State; }

private:
  int32_t State;
};

class VYX_BASE_API InvalidPStreamIndex_Exception : public InvalidPStream_Exception {
public:
  InvalidPStreamIndex_Exception(const type_info &type, unsigned long index, long position);
  const type_info *getType() const { return Type; }
  unsigned long getIndex() const { return Index; }
  long getPosition() const { return Position; }

private:
  const type_info *Type;
  unsigned long Index;
  long Position;
};

class VYX_BASE_API InvalidPStreamMarker_Exception : public InvalidPStream_Exception {
public:
  InvalidPStreamMarker_Exception(int marker, long position);
  int getMarker() const { return Marker; }
  long getPosition() const { return Position; }

private:
  int32_t Marker;
  long Position;
};

class VYX_BASE_API InvalidPStreamPrefix_Exception : public InvalidPStream_Exception {
public:
  explicit InvalidPStreamPrefix_Exception(long position);
  long getPosition() const { return Position; }

private:
  long Position;
};

class VYX_BASE_API UnknownStreamableType_Exception : public InvalidPStream_Exception {
public:
  /// Keeps its own copy of `name` (read from a stream and freed by the
  /// reader while the exception unwinds).
  explicit UnknownStreamableType_Exception(const char *name);
  const char *getClassName() const { return Name.c_str(); }

private:
  GString Name;
};

class VYX_BASE_API InvalidPStreamSuffix_Exception : public InvalidPStream_Exception {
public:
  InvalidPStreamSuffix_Exception(long position, const GMetaClass *metaclass);
  long getPosition() const { return Position; }
  const GMetaClass *getMetaClass() const { return MetaClass; }

private:
  long Position;
  const GMetaClass *MetaClass;
};

class VYX_BASE_API AbstractClass_Exception : public InvalidPStream_Exception {
public:
  explicit AbstractClass_Exception(const GMetaClass *metaclass);
  const GMetaClass *getMetaClass() const { return MetaClass; }

private:
  const GMetaClass *MetaClass;
};

class VYX_BASE_API OldPrefix_Exception : public InvalidPStream_Exception {
public:
  OldPrefix_Exception();
};

class VYX_BASE_API OldVersionOfClass_Exception : public InvalidPStream_Exception {
public:
  OldVersionOfClass_Exception(unsigned version, const type_info &type);
  unsigned getVersion() const { return Version; }
  const type_info *getType() const { return Type; }

private:
  uint32_t Version;
  const type_info *Type;
};

class VYX_BASE_API NotBaseClass_Exception : public InvalidPStream_Exception {
public:
  NotBaseClass_Exception(const type_info &found, const type_info &wanted, long position);
  const type_info *getFound() const { return Found; }
  const type_info *getWanted() const { return Wanted; }
  long getPosition() const { return Position; }

private:
  const type_info *Found;
  const type_info *Wanted;
  long Position;
};

class VYX_BASE_API GFileReadError_Exception : public InvalidPStream_Exception {
public:
  GFileReadError_Exception();
};

/// Root of the failures of matrices.
class VYX_BASE_API Matrix_Exception : public GLibraryException {
public:
  Matrix_Exception(const char *text = nullptr);
  Matrix_Exception(unsigned id);
};

class VYX_BASE_API InvalidMatrixSize_Exception : public Matrix_Exception {
public:
  InvalidMatrixSize_Exception();
};

class VYX_BASE_API MatrixDifferentSizes_Exception : public Matrix_Exception {
public:
  MatrixDifferentSizes_Exception();
};

class VYX_BASE_API MatrixDifferentType_Exception : public Matrix_Exception {
public:
  MatrixDifferentType_Exception();
};

class VYX_BASE_API Matrix_IndexOutOfRange_Exception : public Matrix_Exception {
public:
  Matrix_IndexOutOfRange_Exception(long index, long low, long high);
};

// Diagnostic output ----------------------------------------------------------

/// Selects the diagnostic file; null or "" means "gdiag.out". Closes the
/// stream, which the next GDiagStream() reopens under the new name.
VYX_BASE_API void GDiagSetFileName(const char *name);
/// The diagnostic stream, opened (truncating) on first use.
VYX_BASE_API std::ostream &GDiagStream();
/// GDiagStream() after writing "<first> <second> <number>: ".
VYX_BASE_API std::ostream &GDiagStream(const char *first, const char *second, unsigned number);

/// Installs `handler` to be called when operator new fails and returns the
/// one installed before. The handler is expected to throw (typically
/// OutOfMemory_Exception) or end the process; if it returns, the failed
/// allocation is not retried: std::bad_alloc is thrown. Null restores the
/// default behaviour (std::bad_alloc, no handler).
///
/// Only operator new goes through the handler: on this platform a failing
/// malloc cannot be routed to it, and simply returns null.
VYX_BASE_API void (*GSetNewHandler(void (*handler)()))();

/// Serves VYX_BASE's message table with the loader signature of
/// GString::AddLoadStringFunc. An application registers it once:
/// GString::AddLoadStringFunc(GBaseMessageLoader, nullptr).
VYX_BASE_API unsigned GBaseMessageLoader(unsigned id, char *buffer, unsigned size, void *user);

#endif // VYX_OBJECT_MODEL_EXCEPTIONS_H
