//===- exceptions.cpp - The library's exception tree ---------------------===//
//
// Messages are built from VYX_BASE's numbered texts (see base_messages.cpp)
// through GString::loadString, so they are empty until the application has
// registered a loader that serves them (GBaseMessageLoader).
//
// Every %li/%lu argument is passed as long/unsigned long: on x86-64 a 32-bit
// int read by %li would print garbage.
//
//===----------------------------------------------------------------------===//

#include "object_model/exceptions.h"

#include "object_model/type_info.h"

#include <atomic>
#include <cstdarg>
#include <cstring>
#include <fstream>
#include <new>

namespace {

/// Message ids of VYX_BASE's table.
enum MessageId : unsigned {
  MsgOutOfMemory = 1,
  MsgCollectionIndex = 2,
  MsgDuplicatedTypes = 3,
  MsgPStreamIndex = 4,
  MsgPStreamMarker = 5,
  MsgPStreamPrefix = 6,
  MsgUnknownStreamable = 7,
  MsgOldPrefix = 10,
  MsgOldVersion = 11,
  MsgNotBaseClass = 12,
  MsgFileRead = 13,
  MsgPStreamState = 14,
  MsgVectorIndex = 15,
  MsgInvalidMatrixSize = 20,
  MsgMatrixDifferentSizes = 24,
  MsgMatrixIndex = 25,
};

const char *textOr(const char *s) { return s ? s : ""; }
const char *nameOf(const type_info &t) { return textOr(t.name()); }

} // namespace

GException::~GException() = default;

// GLibraryException ----------------------------------------------------------

GLibraryException::GLibraryException(const char *text) { Message = text; }

GLibraryException::GLibraryException(unsigned id) { Message.loadString(id); }

void GLibraryException::message(const char *format, ...) {
  va_list args;
  va_start(args, format);
  Message.vformat(format, args);
  va_end(args);
}

void GLibraryException::message(unsigned id, ...) {
  va_list args;
  va_start(args, id);
  Message.vformat(id, args);
  va_end(args);
}

OutOfMemory_Exception::OutOfMemory_Exception() : GLibraryException(MsgOutOfMemory) {}

GCollection_IndexOutOfRange_Exception::GCollection_IndexOutOfRange_Exception(long index, long low,
                                                                             long high)
    : Index(index), Low(low), High(high) {
  message(MsgCollectionIndex, index, low, high);
}

DuplicatedTypes_Exception::DuplicatedTypes_Exception(const char *name) {
  Name = name;
  message(MsgDuplicatedTypes, Name.c_str());
}

TGVector_IndexOutOfRange_Exception::TGVector_IndexOutOfRange_Exception(long index, long low,
                                                                       long high) {
  message(MsgVectorIndex, index, low, high);
}

// Diagnostic exceptions ---------------------------------------------------------

GDiagException::GDiagException(const char *kind, const char *expression, const char *file,
                               unsigned line) {
  message("%s failure: '%s'\non line %u in file '%s'", textOr(kind), textOr(expression), line,
          textOr(file));
}

GCheckException::GCheckException(const char *expression, const char *file, unsigned line)
    : GDiagException("Check", expression, file, line) {}

GPreconditionException::GPreconditionException(const char *expression, const char *file,
                                               unsigned line)
    : GDiagException("Precondition", expression, file, line) {}

// Persistent stream exceptions ------------------------------------------------------

InvalidPStream_Exception::InvalidPStream_Exception(const char *text) : GLibraryException(text) {}

InvalidPStream_Exception::InvalidPStream_Exception(unsigned id) : GLibraryException(id) {}

// Message 14 holds one text per cause, separated by '|'; the strongest state
// bit picks it: write failure (4), read failure (2), end of file (1).
NonZeroPStreamState_Exception::NonZeroPStreamState_Exception(int state)
    : InvalidPStream_Exception(MsgPStreamState), State(state) {
  unsigned segment = (state & 4) ? 0 : (state & 2) ? 1 : (state & 1) ? 2 : 3;
  Message.segmentExcluding('|', segment);
}

InvalidPStreamIndex_Exception::InvalidPStreamIndex_Exception(const type_info &type,
                                                             unsigned long index, long position)
    : Type(&type), Index(index), Position(position) {
  message(MsgPStreamIndex, index, nameOf(type), position);
}

InvalidPStreamMarker_Exception::InvalidPStreamMarker_Exception(int marker, long position)
    : Marker(marker), Position(position) {
  message(MsgPStreamMarker, marker, position);
}

InvalidPStreamPrefix_Exception::InvalidPStreamPrefix_Exception(long position) : Position(position) {
  message(MsgPStreamPrefix, position);
}

UnknownStreamableType_Exception::UnknownStreamableType_Exception(const char *name) {
  Name = name;
  message(MsgUnknownStreamable, Name.c_str());
}

OldPrefix_Exception::OldPrefix_Exception() : InvalidPStream_Exception(MsgOldPrefix) {}

OldVersionOfClass_Exception::OldVersionOfClass_Exception(unsigned version, const type_info &type)
    : Version(version), Type(&type) {
  message(MsgOldVersion, version, nameOf(type));
}

NotBaseClass_Exception::NotBaseClass_Exception(const type_info &found, const type_info &wanted,
                                               long position)
    : Found(&found), Wanted(&wanted), Position(position) {
  message(MsgNotBaseClass, nameOf(found), nameOf(wanted), position);
}

GFileReadError_Exception::GFileReadError_Exception() : InvalidPStream_Exception(MsgFileRead) {}

// Matrix exceptions -------------------------------------------------------------------

Matrix_Exception::Matrix_Exception(const char *text) : GLibraryException(text) {}

Matrix_Exception::Matrix_Exception(unsigned id) : GLibraryException(id) {}

InvalidMatrixSize_Exception::InvalidMatrixSize_Exception()
    : Matrix_Exception(MsgInvalidMatrixSize) {}

MatrixDifferentSizes_Exception::MatrixDifferentSizes_Exception()
    : Matrix_Exception(MsgMatrixDifferentSizes) {}

MatrixDifferentType_Exception::MatrixDifferentType_Exception()
    : Matrix_Exception(MsgMatrixDifferentSizes) {}

Matrix_IndexOutOfRange_Exception::Matrix_IndexOutOfRange_Exception(long index, long low,
                                                                   long high) {
  message(MsgMatrixIndex, index, low, high);
}

// Diagnostic output ------------------------------------------------------------------------
//
// Process-wide and unlocked, as the callers expect: a file name of at most
// 255 characters and one stream, opened on first use.

namespace {

constexpr char DefaultDiagFile[] = "gdiag.out";
constexpr std::size_t DiagNameSize = 256;

char DiagFileName[DiagNameSize];

std::ofstream &diagFile() {
  static std::ofstream file;
  return file;
}

} // namespace

void GDiagSetFileName(const char *name) {
  if (!name || !*name)
    name = DefaultDiagFile;
  std::strncpy(DiagFileName, name, DiagNameSize - 1);
  DiagFileName[DiagNameSize - 1] = '\0';
  std::ofstream &file = diagFile();
  if (file.is_open())
    file.close();
  file.clear();
}

std::ostream &GDiagStream() {
  if (!DiagFileName[0])
    std::strcpy(DiagFileName, DefaultDiagFile);
  std::ofstream &file = diagFile();
  if (!file.is_open()) {
    file.clear();
    file.open(DiagFileName, std::ios::out | std::ios::trunc);
  }
  return file;
}

std::ostream &GDiagStream(const char *first, const char *second, unsigned number) {
  std::ostream &os = GDiagStream();
  os << textOr(first) << ' ' << textOr(second) << ' ' << number << ": ";
  return os;
}

// Out-of-memory hook -----------------------------------------------------------------------

namespace {

std::atomic<void (*)()> UserNewHandler{nullptr};

// operator new calls the new-handler again and again while it returns. The
// user's handler is expected to throw; if it returns, the allocation is given
// up here instead of being retried forever.
void libraryNewHandler() {
  if (void (*handler)() = UserNewHandler.load())
    handler();
  throw std::bad_alloc();
}

} // namespace

void (*GSetNewHandler(void (*handler)()))() {
  void (*previous)() = UserNewHandler.exchange(handler);
  std::set_new_handler(handler ? libraryNewHandler : nullptr);
  return previous;
}
