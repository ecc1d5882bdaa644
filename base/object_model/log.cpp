//===- log.cpp - The process-wide trace log ------------------------------===//

#include "object_model/log.h"

#include "platform/clock.h"
#include "platform/process_info.h"
#include "platform/system_error.h"
#include "platform/thread_storage.h"

#include <cstdarg>
#include <cstring>
#include <ctime>

std::atomic<bool> CLog::m_bEnabled{false};
std::atomic<int> CLog::LastErrorSeen{0};

namespace {

/// The suffix of the log path after the executable's name, and the suffix
/// of the backup copy after the log path.
constexpr char kLogSuffix[] = "_vyx.log";
constexpr char kBackupSuffix[] = ".bak";
/// The message of one line is cut to this many characters.
constexpr std::size_t kMaxMessage = 4095;
/// Text between a message and the system's text for the error code.
constexpr char kErrorLead[] = " GetLastError returned : ";

/// The process-wide replacement of the derived log path (empty: none).
struct PathOverride {
  std::mutex Lock;
  std::string Path;
};

PathOverride &TheOverride() {
  // Never destroyed: lines may still be logged while statics are torn down.
  static PathOverride *instance = new PathOverride;
  return *instance;
}

/// The file name part of a source path: after the last '\' or '/', unless
/// that separator is the first or the last character.
const char *SourceFileName(const char *path) {
  const char *last = nullptr;
  for (const char *p = path; *p; ++p)
    if (*p == '\\' || *p == '/')
      last = p;
  if (!last || last == path || last[1] == '\0')
    return path;
  return last + 1;
}

} // namespace

namespace vyx {

std::string LogPathForExecutable(const std::string &executable) {
  if (executable.empty())
    return std::string();
  std::string path = executable;
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
    path.erase(dot);
  return path + kLogSuffix;
}

} // namespace vyx

CLog::CLog() { m_bEnabled = false; }

CLog::~CLog() {
  stopSpyThread();
  // A mutex must not be destroyed while held.
  unlock();
}

CLog *CLog::get() {
  // Built on first use and never destroyed, so that code running while the
  // process's statics are torn down can still trace.
  static CLog *instance = new CLog;
  return instance;
}

bool CLog::getEnabled() { return m_bEnabled.load(std::memory_order_relaxed); }

void CLog::setEnabled(bool enabled) { m_bEnabled.store(enabled, std::memory_order_relaxed); }

void CLog::setMode(unsigned long mode) {
  Mode = mode;
  if (mode & SpyThreadMode)
    startSpyThread();
  else
    stopSpyThread();
}

unsigned long CLog::getMode() const { return Mode; }

void CLog::startSpyThread() {
  StopRequest.reset();
  Stopped.reset();
}

void CLog::stopSpyThread() {
  // Nothing in this library starts a spy thread; the protocol stands for an
  // application that installs one.
  if (!SpyThread)
    return;
  outputText("Attempt to stop spy thread", true);
  StopRequest.set();
  Stopped.wait(vyx::kInfiniteWait);
  if (SpyThread->joinable())
    SpyThread->join();
  SpyThread.reset();
  StopRequest.reset();
  Stopped.reset();
  outputText("Spy thread stopped", true);
}

bool CLog::lock() {
  if (!getEnabled())
    return false;
  unsigned long self = vyx::CurrentThreadId();
  if (Owner.load(std::memory_order_acquire) == self)
    return true;
  Mutex.lock(vyx::kInfiniteWait);
  Owner.store(self, std::memory_order_release);
  return true;
}

void CLog::unlock() {
  // Only the holder releases, whatever the enabled flag became meanwhile:
  // a thread never leaves the mutex held nor frees another thread's hold.
  if (Owner.load(std::memory_order_acquire) != vyx::CurrentThreadId())
    return;
  Owner.store(0, std::memory_order_release);
  Mutex.unlock();
}

bool CLog::setFileName(const char *path, int line) {
  // The position belongs to the line that follows; without the lock (the
  // log is off) no line follows, so nothing is stored.
  if (lock()) {
    std::lock_guard<std::mutex> guard(SourceLock);
    if (path)
      SourceName = std::make_unique<std::string>(SourceFileName(path));
    else
      SourceName.reset();
    SourceLine = line;
  }
  return line >= 0;
}

GString CLog::getSourceName() const {
  std::lock_guard<std::mutex> guard(SourceLock);
  return SourceName ? GString(SourceName->c_str()) : GString();
}

int CLog::getSourceLine() const {
  std::lock_guard<std::mutex> guard(SourceLock);
  return SourceLine;
}

std::string CLog::sourcePosition() const {
  std::lock_guard<std::mutex> guard(SourceLock);
  std::string text = " (";
  text += SourceName ? *SourceName : std::string("(null)");
  text += ':';
  text += std::to_string(SourceLine);
  text += ')';
  return text;
}

void CLog::output(const char *format, ...) {
  if (!getEnabled()) {
    // Logging was switched off after setFileName: give back the hold.
    unlock();
    return;
  }
  // Without a preceding setFileName the line is still written whole.
  lock();
  char text[kMaxMessage + 1];
  text[0] = '\0';
  if (format) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
  }
  if (text[0] != '\0')
    outputText(text, true);
  unlock();
}

void CLog::outputText(const char *text, bool header) {
  if (!getEnabled() || !text)
    return;
  int error = vyx::LastErrorCode();
  int previous = LastErrorSeen.exchange(error);
  bool reportError = error != 0 && error != previous;

  std::string line;
  if (header) {
    line += getTime().c_str();
    char ids[64];
    std::snprintf(ids, sizeof ids, " : PId(0x%lX):TId(0x%lX) : ", vyx::CurrentProcessId(),
                  vyx::CurrentThreadId());
    line += ids;
  }
  line += text;
  if (header)
    line += sourcePosition();
  if (reportError) {
    // The system's text stands for the line end, as it carries its own.
    line += kErrorLead;
    line += vyx::SystemErrorText(error);
    line += '\n';
  } else if (header) {
    line += '\n';
  }

  writeLine(line);
  vyx::DebuggerOutput(line.c_str());
  vyx::SetLastErrorCode(0);
}

void CLog::writeLine(const std::string &line) {
  std::string path = logFilePath();
  std::FILE *file = path.empty() ? nullptr : std::fopen(path.c_str(), "ae");
  file = checkLogSize(file);
  if (!file)
    return;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fflush(file);
  std::fclose(file);
}

GString CLog::getTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[96];
  if (!localtime_r(&now, &local) || std::strftime(text, 64, "%Y-%m-%d %H:%M:%S", &local) == 0)
    text[0] = '\0';
  size_t used = std::strlen(text);
  std::snprintf(text + used, sizeof text - used, ":%llu",
                static_cast<unsigned long long>(vyx::TickCount()));
  return GString(text);
}

std::string CLog::logFilePath() const {
  {
    PathOverride &over = TheOverride();
    std::lock_guard<std::mutex> guard(over.Lock);
    if (!over.Path.empty())
      return over.Path;
  }
  std::string executable = vyx::ExecutablePath();
  if (executable.empty())
    executable = vyx::ProgramInvocationName();
  return vyx::LogPathForExecutable(executable);
}

void CLog::overrideLogFilePath(const char *path) {
  PathOverride &over = TheOverride();
  std::lock_guard<std::mutex> guard(over.Lock);
  over.Path = path ? path : "";
}

void CLog::getLogFilePath(char *path) { getLogFilePath(path, PathBufferSize); }

void CLog::getLogFilePath(char *path, std::size_t size) {
  if (!path || size == 0)
    return;
  std::string text = logFilePath();
  // A cut path would name another file: one that does not fit is not given.
  if (text.size() >= size) {
    path[0] = '\0';
    return;
  }
  std::memcpy(path, text.c_str(), text.size() + 1);
}

std::FILE *CLog::checkLogSize(std::FILE *f) {
  std::string path = logFilePath();
  std::FILE *file = f;
  if (!file) {
    file = path.empty() ? nullptr : std::fopen(path.c_str(), "ae");
    if (!file)
      return nullptr;
  }
  if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) > MaxLogSize) {
    std::fclose(file);
    std::string backup = path + kBackupSuffix;
    std::remove(backup.c_str());
    std::rename(path.c_str(), backup.c_str());
    return std::fopen(path.c_str(), "ae");
  }
  if (!f) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}
