//===- exceptions_test.cpp - The exception tree and diagnostics ----------===//

#include "object_model/exceptions.h"
#include "support/base_messages.h"

#include "object_model/type_info.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <type_traits>
#include <unistd.h>

namespace {

// Declared first: it runs before any test registers the library's loader.
TEST(ExceptionMessagesWithoutLoader, AreEmpty) {
  EXPECT_TRUE(OutOfMemory_Exception().getMessage().isEmpty());
  EXPECT_TRUE(GCollection_IndexOutOfRange_Exception(5, 0, 3).getMessage().isEmpty());
  // Texts that do not come from the table are there all the same.
  EXPECT_STREQ(GCheckException("x", "f.cpp", 1).getMessage().c_str(),
               "Check failure: 'x'\non line 1 in file 'f.cpp'");
}

class ExceptionTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { vyx::test::RegisterBaseMessages(); }
};

std::string text(const GLibraryException &e) { return e.getMessage().c_str(); }

constexpr type_info FooType("GFoo");
constexpr type_info BarType("GBar");

// The tree -----------------------------------------------------------------------------

static_assert(!std::is_base_of_v<std::exception, GException>);
static_assert(std::has_virtual_destructor_v<GException>);
static_assert(std::is_copy_constructible_v<NotBaseClass_Exception> &&
              std::is_copy_assignable_v<NotBaseClass_Exception>);
// The only virtual operation is the destructor: one vtable pointer, no more.
static_assert(sizeof(GException) == sizeof(void *));
static_assert(std::is_base_of_v<GException, bad_cast> && std::is_base_of_v<GException, bad_typeid>);
static_assert(!std::is_base_of_v<GLibraryException, bad_cast> &&
              !std::is_base_of_v<GLibraryException, bad_typeid>);

template <typename Catch, typename Thrown> bool catches(const Thrown &e) {
  try {
    throw e;
  } catch (const Catch &) {
    return true;
  } catch (...) {
    return false;
  }
}

TEST_F(ExceptionTest, PStreamHandlersCatchEveryPStreamException) {
  EXPECT_TRUE(catches<InvalidPStream_Exception>(GFileReadError_Exception()));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(NonZeroPStreamState_Exception(1)));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(InvalidPStreamIndex_Exception(FooType, 1, 2)));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(InvalidPStreamMarker_Exception(1, 2)));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(InvalidPStreamPrefix_Exception(2)));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(UnknownStreamableType_Exception("X")));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(InvalidPStreamSuffix_Exception(2, nullptr)));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(AbstractClass_Exception(nullptr)));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(OldPrefix_Exception()));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(OldVersionOfClass_Exception(1, FooType)));
  EXPECT_TRUE(catches<InvalidPStream_Exception>(NotBaseClass_Exception(FooType, BarType, 3)));
  EXPECT_FALSE(catches<InvalidPStream_Exception>(OutOfMemory_Exception()));
  EXPECT_FALSE(catches<InvalidPStream_Exception>(InvalidMatrixSize_Exception()));
}

TEST_F(ExceptionTest, LibraryHandlersCatchAllButTheCastFailures) {
  EXPECT_TRUE(catches<GLibraryException>(OutOfMemory_Exception()));
  EXPECT_TRUE(catches<GLibraryException>(GCollection_IndexOutOfRange_Exception(1, 0, 0)));
  EXPECT_TRUE(catches<GLibraryException>(DuplicatedTypes_Exception("X")));
  EXPECT_TRUE(catches<GLibraryException>(TGVector_IndexOutOfRange_Exception(1, 0, 0)));
  EXPECT_TRUE(catches<GLibraryException>(GCheckException("e", "f", 1)));
  EXPECT_TRUE(catches<GDiagException>(GPreconditionException("e", "f", 1)));
  EXPECT_TRUE(catches<GLibraryException>(GFileReadError_Exception()));
  EXPECT_TRUE(catches<Matrix_Exception>(MatrixDifferentType_Exception()));
  EXPECT_TRUE(catches<Matrix_Exception>(Matrix_IndexOutOfRange_Exception(1, 0, 0)));
  EXPECT_TRUE(catches<GLibraryException>(MatrixDifferentSizes_Exception()));
  EXPECT_FALSE(catches<GLibraryException>(bad_cast()));
  EXPECT_FALSE(catches<GLibraryException>(bad_typeid()));
  EXPECT_TRUE(catches<GException>(bad_cast()));
  EXPECT_TRUE(catches<GException>(bad_typeid()));
  EXPECT_FALSE(catches<std::exception>(OutOfMemory_Exception()));
  EXPECT_FALSE(catches<GCheckException>(GPreconditionException("e", "f", 1)));
}

// Messages ------------------------------------------------------------------------------

TEST_F(ExceptionTest, MessagesOfTheTable) {
  EXPECT_EQ(text(OutOfMemory_Exception()), "Out of memory");
  EXPECT_EQ(text(GCollection_IndexOutOfRange_Exception(5, 0, 3)),
            "GCollection : index (5) is out of range (0-3)");
  EXPECT_EQ(text(DuplicatedTypes_Exception("GFoo")), "Class with name 'GFoo' already exists");
  EXPECT_EQ(text(InvalidPStreamIndex_Exception(FooType, 7, 120)),
            "Can't find object with index=7. Class= GFoo. Position=120");
  EXPECT_EQ(text(InvalidPStreamMarker_Exception(-3, 44)),
            "Invalid pointer stream marker = -3 . Position=44");
  EXPECT_EQ(text(InvalidPStreamPrefix_Exception(9)), "Invalid prefix in stream. Position=9");
  EXPECT_EQ(text(UnknownStreamableType_Exception("GBar")), "Unknown streamable class 'GBar'");
  EXPECT_EQ(text(OldPrefix_Exception()), "Unsupported old prefix in stream");
  EXPECT_EQ(text(OldVersionOfClass_Exception(3, BarType)),
            "Unsupported old version '3' of class 'GBar'");
  EXPECT_EQ(text(NotBaseClass_Exception(FooType, BarType, 77)),
            "Can't read class 'GFoo' as 'GBar'. Position=77");
  EXPECT_EQ(text(GFileReadError_Exception()), "GFile : invalid index");
  EXPECT_EQ(text(TGVector_IndexOutOfRange_Exception(-1, 0, 9)),
            "TGVector : index (-1) is out of range (0-9)");
  EXPECT_EQ(text(InvalidMatrixSize_Exception()), "Invalid Matrix sizes");
  EXPECT_EQ(text(Matrix_IndexOutOfRange_Exception(4, 1, 3)),
            "Matrix : index (4) is out of range (1-3)");
}

TEST_F(ExceptionTest, MetaclassMessagesWithoutAMetaclass) {
  EXPECT_EQ(text(InvalidPStreamSuffix_Exception(5, nullptr)),
            "Invalid suffix in stream. Position=5. Class=");
  EXPECT_EQ(text(AbstractClass_Exception(nullptr)), "Abstract class = ");
}

TEST_F(ExceptionTest, LongArgumentsKeepAllTheirBits) {
  EXPECT_EQ(text(GCollection_IndexOutOfRange_Exception(5000000000L, -5000000000L, 1L << 40)),
            "GCollection : index (5000000000) is out of range (-5000000000-1099511627776)");
  InvalidPStreamIndex_Exception e(FooType, 4294967296UL, 3000000000L);
  EXPECT_EQ(e.getIndex(), 4294967296UL);
  EXPECT_EQ(e.getPosition(), 3000000000L);
  EXPECT_EQ(text(e), "Can't find object with index=4294967296. Class= GFoo. Position=3000000000");
}

TEST_F(ExceptionTest, MatrixTypeAndSizeShareOneText) {
  EXPECT_EQ(text(MatrixDifferentType_Exception()), text(MatrixDifferentSizes_Exception()));
  EXPECT_EQ(text(MatrixDifferentType_Exception()), "Different sizes in Matrix");
}

TEST_F(ExceptionTest, PStreamStatePicksOneSegment) {
  EXPECT_EQ(text(NonZeroPStreamState_Exception(6)), "Write error");
  EXPECT_EQ(text(NonZeroPStreamState_Exception(4)), "Write error");
  EXPECT_EQ(text(NonZeroPStreamState_Exception(2)), "Read error");
  EXPECT_EQ(text(NonZeroPStreamState_Exception(3)), "Read error");
  EXPECT_EQ(text(NonZeroPStreamState_Exception(1)), "End of file reached");
  EXPECT_EQ(text(NonZeroPStreamState_Exception(0)), "Unrecognized read/write error");
  EXPECT_EQ(NonZeroPStreamState_Exception(6).getState(), 6);
}

TEST_F(ExceptionTest, DiagnosticMessages) {
  EXPECT_EQ(text(GCheckException("n > 0", "list.cpp", 42)),
            "Check failure: 'n > 0'\non line 42 in file 'list.cpp'");
  EXPECT_EQ(text(GPreconditionException("p != 0", "a.cpp", 7)),
            "Precondition failure: 'p != 0'\non line 7 in file 'a.cpp'");
  EXPECT_EQ(text(GDiagException("Custom", "x", "b.cpp", 1)),
            "Custom failure: 'x'\non line 1 in file 'b.cpp'");
}

TEST_F(ExceptionTest, ExplicitTextsAndReformatting) {
  EXPECT_EQ(text(GLibraryException("plain")), "plain");
  EXPECT_EQ(text(GLibraryException(static_cast<const char *>(nullptr))), "");
  EXPECT_EQ(text(InvalidPStream_Exception("bad stream")), "bad stream");
  EXPECT_EQ(text(InvalidPStream_Exception(13u)), "GFile : invalid index");
  EXPECT_EQ(text(Matrix_Exception(22u)), "Not square matrix");
  GLibraryException e(16u);
  EXPECT_EQ(text(e), "File %s not found");
  e.message(16u, "a.txt");
  EXPECT_EQ(text(e), "File a.txt not found");
  e.message("%d-%s", 4, "x");
  EXPECT_EQ(text(e), "4-x");
}

TEST_F(ExceptionTest, NamesAreCopiedAtConstruction) {
  auto name = std::make_unique<char[]>(16);
  std::strcpy(name.get(), "GTransient");
  DuplicatedTypes_Exception dup(name.get());
  UnknownStreamableType_Exception unknown(name.get());
  std::strcpy(name.get(), "overwritten");
  name.reset(); // the reader frees its text while the exception unwinds
  EXPECT_STREQ(dup.getClassName(), "GTransient");
  EXPECT_STREQ(unknown.getClassName(), "GTransient");
  UnknownStreamableType_Exception copy(unknown);
  EXPECT_STREQ(copy.getClassName(), "GTransient");
  EXPECT_EQ(text(copy), "Unknown streamable class 'GTransient'");
}

TEST_F(ExceptionTest, LongClassNamesGiveWholeMessages) {
  std::string name(5000, 'C'); // names read from files reach several KB
  UnknownStreamableType_Exception e(name.c_str());
  EXPECT_EQ(text(e), "Unknown streamable class '" + name + "'");
}

TEST_F(ExceptionTest, TheTableHoldsTheSegmentedTexts) {
  char buffer[256];
  EXPECT_EQ(GBaseMessageLoader(30, buffer, sizeof buffer, nullptr), 118u);
  EXPECT_EQ(GString(buffer).getSegmentExcluding('|', 4), "ZBF : incorrect size");
  EXPECT_GT(GBaseMessageLoader(44, buffer, sizeof buffer, nullptr), 0u);
  EXPECT_STREQ(buffer, "AVI files (*.avi)|*.avi|");
  GBaseMessageLoader(29, buffer, sizeof buffer, nullptr);
  EXPECT_EQ(std::string(buffer).substr(0, 30), "Vector in focus!\nVector=%lf %l");
  EXPECT_EQ(GBaseMessageLoader(43, buffer, sizeof buffer, nullptr), 0u);
  EXPECT_EQ(GBaseMessageLoader(1, buffer, 4, nullptr), 3u); // cut, terminated
  EXPECT_STREQ(buffer, "Out");
}

// Diagnostic output -----------------------------------------------------------------------

std::string readFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

/// Runs the test body in a fresh temporary folder and closes the diagnostic
/// stream afterwards.
class DiagnosticFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "vyx_diag_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    Saved = cwd;
    ASSERT_EQ(chdir(Dir.c_str()), 0);
  }
  void TearDown() override {
    GDiagSetFileName(::testing::TempDir().append("vyx_diag_closed.out").c_str());
    EXPECT_EQ(chdir(Saved.c_str()), 0);
  }
  std::string Dir, Saved;
};

TEST_F(DiagnosticFileTest, DefaultNameAndPrefixedLines) {
  GDiagSetFileName(nullptr);
  GDiagStream("Check", "in.cpp", 17) << "details" << std::endl;
  EXPECT_EQ(readFile("gdiag.out"), "Check in.cpp 17: details\n");
  GDiagSetFileName("other.out");
  GDiagStream() << "second" << std::flush;
  EXPECT_EQ(readFile("other.out"), "second");
  GDiagSetFileName(""); // empty selects the default again, which is truncated
  GDiagStream() << "third" << std::flush;
  EXPECT_EQ(readFile("gdiag.out"), "third");
}

TEST_F(DiagnosticFileTest, LongNamesAreCutTo255Characters) {
  std::string name(300, 'n');
  GDiagSetFileName(name.c_str());
  GDiagStream() << "x" << std::flush;
  EXPECT_EQ(readFile(name.substr(0, 255)), "x");
}

TEST_F(DiagnosticFileTest, AFileThatCannotBeOpenedLosesTheWrites) {
  GDiagSetFileName("no/such/folder/diag.out");
  std::ostream &os = GDiagStream() << "lost";
  EXPECT_FALSE(os.good());
  GDiagSetFileName("ok.out"); // the next name works again
  GDiagStream() << "kept" << std::flush;
  EXPECT_EQ(readFile("ok.out"), "kept");
}

// The new-handler hook ------------------------------------------------------------------------

int HandlerCalls = 0;
void countingHandler() { ++HandlerCalls; }
void throwingHandler() { throw OutOfMemory_Exception(); }

TEST(NewHandler, InstallReturnAndRestore) {
  EXPECT_EQ(GSetNewHandler(countingHandler), nullptr);
  EXPECT_NE(std::get_new_handler(), nullptr);
  EXPECT_EQ(GSetNewHandler(throwingHandler), countingHandler);
  EXPECT_EQ(GSetNewHandler(nullptr), throwingHandler);
  EXPECT_EQ(std::get_new_handler(), nullptr); // the default behaviour again
  EXPECT_EQ(GSetNewHandler(nullptr), nullptr);
}

TEST(NewHandler, AHandlerThatReturnsEndsInBadAlloc) {
  GSetNewHandler(countingHandler);
  HandlerCalls = 0;
  std::new_handler installed = std::get_new_handler();
  ASSERT_NE(installed, nullptr);
  // What operator new does when an allocation fails: call the handler.
  EXPECT_THROW(installed(), std::bad_alloc);
  EXPECT_EQ(HandlerCalls, 1);
  GSetNewHandler(nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
#define VYX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VYX_ASAN 1
#endif
#endif

#ifndef VYX_ASAN
/// Calls the allocation function itself: a new-expression whose result is
/// unused may be elided by the compiler.
void allocate(std::size_t size) { ::operator delete(::operator new(size)); }
#endif

TEST(NewHandler, FailingAllocationsReachTheHandler) {
#ifdef VYX_ASAN
  GTEST_SKIP() << "the sanitizer's allocator reports huge requests itself";
#else
  GSetNewHandler(throwingHandler);
  std::size_t huge = static_cast<std::size_t>(1) << 62;
  volatile std::size_t size = huge;
  EXPECT_THROW(allocate(size), OutOfMemory_Exception);
  GSetNewHandler(countingHandler);
  HandlerCalls = 0;
  EXPECT_THROW(allocate(size), std::bad_alloc); // not retried forever
  EXPECT_EQ(HandlerCalls, 1);
  GSetNewHandler(nullptr);
  EXPECT_THROW(allocate(size), std::bad_alloc);
#endif
}

} // namespace
