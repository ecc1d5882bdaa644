//===- command_line.cpp - What every vyx command shares -------------------===//

#include "command_line.h"

#include "object_model/exceptions.h"
#include "strings/gstring.h"

#include <algorithm>
#include <new>
#include <ostream>

namespace vyx::tool {

bool WantsHelp(const Arguments &args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string &a) { return a == "--help" || a == "-h"; });
}

int PrintHelp(std::ostream &out, const CommandInfo &command) {
  out << "usage: " << command.Usage << "\n\n" << command.Help;
  return ExitOk;
}

int UsageError(std::ostream &err, const CommandInfo &command, const std::string &message) {
  err << "vyx " << command.Name << ": " << message << "\nusage: " << command.Usage << "\n";
  return ExitUsage;
}

int Failure(std::ostream &err, const CommandInfo &command, const std::string &message) {
  err << "vyx " << command.Name << ": error: " << message << "\n";
  return ExitError;
}

std::string MessageOf(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const GLibraryException &e) {
    return e.getMessage().isEmpty() ? "library exception without message" : e.getMessage().c_str();
  } catch (const GException &) {
    return "library exception";
  } catch (const std::bad_alloc &) {
    return "out of memory";
  } catch (const std::exception &e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

void LoadLibraryMessages() {
  static const bool loaded = [] {
    GString::AddLoadStringFunc(GBaseMessageLoader, nullptr);
    return true;
  }();
  (void)loaded;
}

} // namespace vyx::tool
