//===- log.h - The process-wide trace log -----------------------*- C++ -*-===//
//
// CLog appends time-stamped trace lines naming the process, the thread and the
// source position to a text file next to the running program:
//
//   2026-12-07 11:20:33:48213994 : PId(0x1A4):TId(0x2C8) : Scene loaded (scene.src:412)
//
// The log is off until setEnabled(true). A trace statement sets the source
// position and then writes one message; the log's mutex is held from the
// first call to the end of the second, so lines of different threads never
// mix:
//
//   CLog::get()->setFileName(__FILE__, __LINE__);
//   CLog::get()->output("Scene loaded %d", n);
//
// The file is opened and closed for every line, so other processes can read
// it at any time and a crash loses at most the line being written. Past
// 1500000 bytes the file is moved to a ".bak" copy and a new one is begun.
//
//===----------------------------------------------------------------------===//
#ifndef VYX_OBJECT_MODEL_LOG_H
#define VYX_OBJECT_MODEL_LOG_H

#include "platform/sync.h"
#include "strings/gstring.h"
#include "vyx_base_export.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

/// The process-wide trace log (one instance, see get()).
class VYX_BASE_API CLog {
public:
  /// The log file is rotated when it grows past this many bytes.
  static constexpr long MaxLogSize = 1500000;
  /// The longest log path getLogFilePath(char *) writes, suffix excluded.
  static constexpr std::size_t MaxPathLength = 4000;
  /// The size of the buffer getLogFilePath(char *) expects: the longest path,
  /// the suffix "_vyx.log" and the terminating NUL.
  static constexpr std::size_t PathBufferSize = MaxPathLength + 8 + 1;
  /// Mode bit that asks for the spy thread.
  static constexpr unsigned long SpyThreadMode = 4;

  /// Builds a log in mode 1 and switches logging off for the process.
  CLog();
  virtual ~CLog();
  CLog(const CLog &) = delete;
  CLog &operator=(const CLog &) = delete;

  /// The single instance of the process.
  static CLog *get();
  static bool getEnabled();
  /// Nothing is written while logging is disabled.
  static void setEnabled(bool enabled);

  /// Stores the mode; the bit SpyThreadMode starts the spy thread protocol,
  /// its absence stops it.
  void setMode(unsigned long mode);
  unsigned long getMode() const;
  /// Resets the stop events. The library itself starts no spy thread.
  void startSpyThread();
  /// Asks a running spy thread to stop and waits for it; nothing when there
  /// is none.
  void stopSpyThread();

  /// When logging is enabled, waits for the log's mutex. True when enabled
  /// and the calling thread holds the mutex. A thread that already holds it
  /// keeps its one hold.
  bool lock();
  /// Releases the mutex if the calling thread holds it.
  void unlock();

  /// Locks and stores the source position of the next line: the part of
  /// `path` after its last '\' or '/' (the whole path when there is none, or
  /// when it is the first or last character) and `line`. The mutex stays held
  /// until the following output(). Returns line >= 0.
  bool setFileName(const char *path, int line);
  /// Formats the message printf-style (cut at 4095 characters), writes it as
  /// one header line unless it is empty, and releases the mutex.
  void output(const char *format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;
  /// Writes `text`, with the header parts when `header` is true, to the log
  /// file and the debugger output. Takes no lock.
  void outputText(const char *text, bool header);

  /// Local time "%Y-%m-%d %H:%M:%S" and ":" with the system's millisecond
  /// counter.
  GString getTime();
  /// Writes the log file path into `path`, a buffer of PathBufferSize bytes.
  /// A path that does not fit is written as "".
  void getLogFilePath(char *path);
  /// The same for a buffer of `size` bytes.
  void getLogFilePath(char *path, std::size_t size);
  /// Rotates the log file when it has grown past MaxLogSize and returns the
  /// stream to write to: `f` itself, or (when the file was rotated) a new
  /// stream on an empty log file. With `f` null the log file is opened for
  /// the check and null is returned unless it was rotated.
  std::FILE *checkLogSize(std::FILE *f);

  /// The source name ("" before the first setFileName or after a null path)
  /// and line of the next header line.
  GString getSourceName() const;
  int getSourceLine() const;

  /// Replaces the log file path derived from the executable by `path` for
  /// the whole process (tests and tools that must not write next to the
  /// program); null or "" restores the derived path.
  static void overrideLogFilePath(const char *path);

private:
  std::string logFilePath() const;
  void writeLine(const std::string &line);
  std::string sourcePosition() const;

  vyx::TimedMutex Mutex;
  /// The kernel id of the thread that holds Mutex, 0 when none.
  std::atomic<unsigned long> Owner{0};
  std::unique_ptr<std::thread> SpyThread;
  vyx::Event StopRequest{true, false};
  vyx::Event Stopped{true, false};
  /// Guards the source position against a direct outputText() of another
  /// thread (output() itself runs under Mutex).
  mutable std::mutex SourceLock;
  std::unique_ptr<std::string> SourceName;
  int SourceLine = 0;
  std::atomic<unsigned long> Mode{1};

  static std::atomic<bool> m_bEnabled;
  static std::atomic<int> LastErrorSeen;
};

namespace vyx {

/// The log file path of an executable: `executable` without the extension of
/// its last path component, followed by "_vyx.log" ("/opt/app.bin" gives
/// "/opt/app_vyx.log", "/home/a.b/app" gives "/home/a.b/app_vyx.log").
VYX_BASE_API std::string LogPathForExecutable(const std::string &executable);

} // namespace vyx

#endif // VYX_OBJECT_MODEL_LOG_H
